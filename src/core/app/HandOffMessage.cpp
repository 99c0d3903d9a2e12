#include "HandOffMessage.h"

#include <QStringDecoder>
#include <QtEndian>

namespace HandOffMessage {

namespace {

const QByteArray magic = QByteArrayLiteral("KLIPWELL-ARGS-1\n");

void appendNumber(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

QByteArray encode(const QStringList& arguments)
{
    QByteArray message = magic;
    appendNumber(message, quint32(arguments.size()));
    for (const QString& argument : arguments) {
        const QByteArray bytes = argument.toUtf8();
        appendNumber(message, quint32(bytes.size()));
        message += bytes;
    }
    return message;
}

Decoder::Step Decoder::feed(QByteArrayView bytes)
{
    if (m_state != Step::more)
        return bytes.isEmpty() ? m_state : Step::bad;
    m_buffer += bytes;
    m_state = advance();
    if (m_state == Step::bad)
        m_buffer.clear();
    return m_state;
}

Decoder::Step Decoder::advance()
{
    if (!m_magicSeen) {
        if (m_buffer.size() < magic.size())
            return magic.startsWith(m_buffer) ? Step::more : Step::bad;
        if (!m_buffer.startsWith(magic))
            return Step::bad;
        m_buffer.remove(0, magic.size());
        m_magicSeen = true;
    }
    if (m_expected < 0) {
        if (m_buffer.size() < 4)
            return Step::more;
        const quint32 count = qFromBigEndian<quint32>(m_buffer.constData());
        if (count > quint32(maxArguments))
            return Step::bad;
        m_expected = int(count);
        m_buffer.remove(0, 4);
    }
    while (m_arguments.size() < m_expected) {
        if (m_buffer.size() < 4)
            return Step::more;
        const quint32 length = qFromBigEndian<quint32>(m_buffer.constData());
        if (length > quint32(maxArgumentBytes) || m_total + length > quint64(maxMessageBytes))
            return Step::bad;
        if (m_buffer.size() < 4 + qsizetype(length))
            return Step::more;
        // Senders encode text; bytes that are no UTF-8 are no argument of theirs.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        QString argument = utf8(QByteArrayView(m_buffer.constData() + 4, length));
        if (utf8.hasError())
            return Step::bad;
        m_total += length;
        m_arguments.append(std::move(argument));
        m_buffer.remove(0, 4 + length);
    }
    return m_buffer.isEmpty() ? Step::done : Step::bad;
}

} // namespace HandOffMessage
