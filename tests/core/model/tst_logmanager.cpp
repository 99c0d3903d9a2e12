#include "AppPaths.h"
#include "LogManager.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <thread>
#include <vector>

class TestLogManager : public QObject {
    Q_OBJECT

    static inline const QRegularExpression entryPattern { QStringLiteral(R"(^\[\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ\] (.*)$)") };

    // The text of every line, with the time stamp checked and removed.
    static QStringList entries(const QString& content)
    {
        QStringList texts;
        for (const QString& line : content.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch match = entryPattern.match(line);
            texts.append(match.hasMatch() ? match.captured(1) : QStringLiteral("BAD: ") + line);
        }
        return texts;
    }

private slots:
    void logsGrowAndAreRemovedAlone()
    {
        LogManager& logs = LogManager::shared();
        QFile::remove(logs.appLogPath());
        logs.append(QStringLiteral("Installing yt-dlp"), logs.appLogPath());
        logs.append(QStringLiteral("relative name"), QStringLiteral("app.log"));
        const QUuid id = QUuid::createUuid();
        const QUuid other = QUuid::createUuid();
        logs.append(QStringLiteral("Queued"), logs.taskLogPath(id));
        logs.append(QStringLiteral("other"), logs.taskLogPath(other));
        const QString first = logs.read(id);
        QCOMPARE(entries(first), QStringList { QStringLiteral("Queued") });
        QVERIFY(first.endsWith(QLatin1Char('\n')));
        logs.append(QString::fromUtf8("— exit 0 — café\nsecond line"), logs.taskLogPath(id));
        const QString seen = logs.read(id);
        QVERIFY(seen.startsWith(first));
        QVERIFY(seen.endsWith(QString::fromUtf8("] — exit 0 — café\nsecond line\n")));
        logs.remove(id);
        QCOMPARE(logs.read(id), QStringLiteral("No log yet."));
        QCOMPARE(entries(logs.read(other)), QStringList { QStringLiteral("other") });
        QCOMPARE(entries(QString::fromUtf8(TestSupport::readFile(logs.appLogPath()))), (QStringList { QStringLiteral("Installing yt-dlp"), QStringLiteral("relative name") }));
    }

    void concurrentAppendsStayWholeAndInOrder()
    {
        LogManager& logs = LogManager::shared();
        const QUuid id = QUuid::createUuid();
        const QString path = logs.taskLogPath(id);
        constexpr int threads = 4;
        constexpr int perThread = 3000;
        std::vector<std::thread> writers;
        for (int t = 0; t < threads; ++t) {
            writers.emplace_back([&logs, path, t] {
                for (int i = 0; i < perThread; ++i)
                    logs.append(QStringLiteral("writer %1 line %2 %3").arg(t).arg(i).arg(QString(40, QLatin1Char('x'))), path);
            });
        }
        for (std::thread& writer : writers)
            writer.join();
        QList<int> next(threads, 0);
        for (const QString& entry : entries(logs.read(id))) {
            const QStringList words = entry.split(QLatin1Char(' ')); // "writer", t, "line", i, x…
            QCOMPARE(words.size(), 5);
            QCOMPARE(words.last(), QString(40, QLatin1Char('x')));
            QCOMPARE(words.at(3).toInt(), next[words.at(1).toInt()]++);
        }
        QCOMPARE(next, QList<int>(threads, perThread));
    }

    void foldersAreCreatedAgainAfterDeletion()
    {
        LogManager& logs = LogManager::shared();
        const QUuid id = QUuid::createUuid();
        const QString path = logs.taskLogPath(id);
        const QString support = AppPaths::support();
        QCOMPARE(QFileInfo(support).fileName(), QStringLiteral("Klipwell"));
        QVERIFY(QDir(support).removeRecursively());
        logs.append(QStringLiteral("after removal"), path);
        QCOMPARE(entries(logs.read(id)), QStringList { QStringLiteral("after removal") });
        QVERIFY(QDir(support).removeRecursively());
        QCOMPARE(AppPaths::support(), support);
        QVERIFY(QFileInfo(support).isDir());
        const QString cache = AppPaths::sub(QStringLiteral("Cache/yt-dlp")); // nested folders in one call
        QCOMPARE(cache, support + QStringLiteral("/Cache/yt-dlp"));
        QVERIFY(QFileInfo(cache).isDir());
    }
};

QTEST_GUILESS_MAIN(TestLogManager)
#include "tst_logmanager.moc"
