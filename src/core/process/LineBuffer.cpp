#include "LineBuffer.h"

#include <QString>

namespace {

qsizetype findTerminator(QByteArrayView bytes, qsizetype from)
{
    const char* data = bytes.data();
    for (qsizetype i = from; i < bytes.size(); ++i) {
        if (data[i] == '\n' || data[i] == '\r')
            return i;
    }
    return -1;
}

void appendLine(QStringList& lines, QByteArrayView line)
{
    if (!line.isEmpty())
        lines.append(QString::fromUtf8(line));
}

} // namespace

QStringList LineBuffer::feed(QByteArrayView bytes)
{
    QStringList lines;
    qsizetype start = 0;
    qsizetype end = findTerminator(bytes, 0);
    if (end < 0) {
        m_buf.append(bytes);
        return lines;
    }
    // The first line may have begun in an earlier read.
    if (m_buf.isEmpty()) {
        appendLine(lines, bytes.first(end));
    } else {
        m_buf.append(bytes.first(end));
        appendLine(lines, m_buf);
        m_buf.resize(0); // keeps the capacity for the next partial line
    }
    start = end + 1;
    while ((end = findTerminator(bytes, start)) >= 0) {
        appendLine(lines, bytes.sliced(start, end - start));
        start = end + 1;
    }
    m_buf.append(bytes.sliced(start));
    return lines;
}

QStringList LineBuffer::flush()
{
    QStringList lines;
    appendLine(lines, m_buf);
    m_buf.clear();
    return lines;
}
