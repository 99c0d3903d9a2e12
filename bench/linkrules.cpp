// Prints how long the link detector takes on texts of growing size, to show
// that its time grows linearly with the input.
#include "LinkRules.h"

#include <QElapsedTimer>
#include <QTextStream>

#include <functional>

namespace {

QString repeatedTo(const QString& piece, qsizetype length)
{
    return piece.repeated(length / piece.size());
}

} // namespace

int main()
{
    const QList<std::pair<QString, std::function<QString(qsizetype)>>> shapes {
        { QStringLiteral("prose with links"),
            [](qsizetype n) -> QString {
                return repeatedTo(QStringLiteral("See (https://en.wikipedia.org/wiki/Mercury_(planet)) and "
                                                 "www.example.com/a, or “https://youtu.be/x”. "),
                    n);
            } },
        { QStringLiteral("one long link"),
            [](qsizetype n) -> QString {
                return QStringLiteral("https://example.com/") + QString(n, QLatin1Char('x'));
            } },
        { QStringLiteral("link + closing brackets"),
            [](qsizetype n) -> QString {
                return QStringLiteral("https://example.com/") + QString(n, QLatin1Char(')'));
            } },
        { QStringLiteral("schemes without spaces"),
            [](qsizetype n) -> QString { return repeatedTo(QStringLiteral("(https://"), n); } },
        { QStringLiteral("one long word"),
            [](qsizetype n) -> QString { return QString(n, QLatin1Char('a')); } },
    };

    QTextStream out(stdout);
    out << "extractURLs: milliseconds per input size (median of 5 runs)\n";
    out << qSetFieldWidth(26) << Qt::left << "shape" << qSetFieldWidth(10) << Qt::right;
    for (int mb : { 1, 2, 4, 8 })
        out << QStringLiteral("%1 MB").arg(mb);
    out << qSetFieldWidth(0) << "   links\n";
    for (const auto& [name, make] : shapes) {
        out << qSetFieldWidth(26) << Qt::left << name << qSetFieldWidth(10) << Qt::right;
        qsizetype links = 0;
        for (int mb : { 1, 2, 4, 8 }) {
            const QString text = make(qsizetype(mb) * 1024 * 1024);
            QList<qint64> runs;
            for (int run = 0; run < 5; ++run) {
                QElapsedTimer timer;
                timer.start();
                links = extractURLs(text).size();
                runs << timer.elapsed();
            }
            std::sort(runs.begin(), runs.end());
            out << runs[2];
        }
        out << qSetFieldWidth(0) << "   " << links << '\n';
    }
    return 0;
}
