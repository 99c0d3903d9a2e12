#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

// The hand-off channel's message: the magic line, a 32-bit big-endian
// argument count, then each argument as a 32-bit big-endian byte length and
// its UTF-8 bytes. The decoder takes the bytes as they arrive and never keeps
// more than one argument's worth of them.
namespace HandOffMessage {

inline constexpr qint64 maxArgumentBytes = 1024 * 1024;
inline constexpr qint64 maxMessageBytes = 4 * 1024 * 1024;
inline constexpr int maxArguments = 1024;

QByteArray encode(const QStringList& arguments);

class Decoder {
public:
    enum class Step { more, done, bad };

    // Takes the next bytes. `done` when they complete the message exactly,
    // `bad` for anything malformed or over the limits (then and after
    // `done`, further bytes are `bad` too).
    Step feed(QByteArrayView bytes);
    // The arguments, complete only after `done`.
    const QStringList& arguments() const { return m_arguments; }
    // Bytes held back for an incomplete part.
    qsizetype buffered() const { return m_buffer.size(); }

private:
    Step advance();

    QByteArray m_buffer;
    QStringList m_arguments;
    Step m_state = Step::more;
    int m_expected = -1;
    quint64 m_total = 0;
    bool m_magicSeen = false;
};

} // namespace HandOffMessage
