#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

// Splits a byte stream into text lines. Both LF and CR end a line, so the
// carriage-return progress updates of command-line tools arrive as lines of
// their own; empty lines (a CR LF pair, runs of terminators) are dropped.
// Splitting happens on bytes before decoding, so a UTF-8 character split
// across two reads decodes correctly; invalid bytes become U+FFFD.
class LineBuffer {
public:
    // Appends the bytes and returns every line completed by them, in order.
    QStringList feed(QByteArrayView bytes);
    // Returns the unterminated rest as one last line (if any) and empties the buffer.
    QStringList flush();

private:
    QByteArray m_buf;
};
