#include "SplitArguments.h"

QStringList splitArguments(const QString& text)
{
    QStringList args;
    QString current;
    QChar quote; // the open quote character, null when outside quotes
    bool started = false; // an argument has begun, possibly still empty ("")

    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && quote != u'\'') {
            // A backslash at the very end escapes nothing and starts no argument.
            if (++i >= n)
                break;
            started = true;
            current += text.at(i);
            // Keep a character outside the basic plane whole.
            if (text.at(i).isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate())
                current += text.at(++i);
        } else if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                current += c;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
            started = true;
        } else if (c.isSpace()) {
            if (started || !current.isEmpty()) {
                args << current;
                current.clear();
                started = false;
            }
        } else {
            current += c;
            started = true;
        }
    }
    if (started || !current.isEmpty())
        args << current;
    return args;
}
