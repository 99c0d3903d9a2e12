#include "ToolManifest.h"

#include "TestSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

class TestToolManifest : public QObject {
    Q_OBJECT

private slots:
    void savedManifestReadsBackIdentical()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("manifest.json"));
        const QMap<QString, ManifestEntry> manifest {
            { QStringLiteral("yt-dlp"),
                { QStringLiteral("2025.01.15"), QDateTime(QDate(2025, 1, 20), QTime(9, 30, 5), Qt::UTC),
                    QStringLiteral(
                        "http://127.0.0.1:8080/yt-dlp/yt-dlp/releases/latest/download/yt-dlp_linux"),
                    true } },
            { QStringLiteral("FFmpeg"),
                { QStringLiteral("5.1.6"), QDateTime(QDate(2025, 1, 21), QTime(23, 59, 59), Qt::UTC),
                    QStringLiteral("https://example.org/a%20b.tar.xz") } },
        };
        QVERIFY(ToolManifest::save(manifest, path));
        QCOMPARE(ToolManifest::load(path), manifest);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject entry = QJsonDocument::fromJson(file.readAll()).object().value("yt-dlp").toObject();
        QCOMPARE(entry.value("installedAt").toString(), QStringLiteral("2025-01-20T09:30:05Z"));
    }

    void handEditedFilesReadBackAfterASave_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("not json") << QByteArray("{\"yt-dlp\": {\"version\"") << QStringList();
        QTest::newRow("array") << QByteArray("[1, 2]") << QStringList();
        QTest::newRow("one entry lacks its date")
            << QByteArray(R"({"Deno": {"version": "2.1.4", "source": "x"},
                             "yt-dlp": {"version": "1", "installedAt": "2025-01-20T09:30:05Z", "source": "y"}})")
            << QStringList { "yt-dlp" };
        QTest::newRow("bad date") << QByteArray(
            R"({"Deno": {"version": "2", "installedAt": "soon", "source": "x"}})")
                                  << QStringList();
        QTest::newRow("date with a fraction of a second") << QByteArray(
            R"({"yt-dlp": {"version": "1", "installedAt": "2024-03-01T10:00:00.5Z", "source": "y"}})")
                                                          << QStringList { "yt-dlp" };
    }

    void handEditedFilesReadBackAfterASave()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, keys);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("manifest.json"));
        QVERIFY(TestSupport::writeFile(path, content));
        const QMap<QString, ManifestEntry> manifest = ToolManifest::load(path);
        QCOMPARE(manifest.keys(), keys);
        QVERIFY(ToolManifest::save(manifest, path));
        QCOMPARE(ToolManifest::load(path), manifest);
    }

    void missingFileGivesAnEmptyManifest()
    {
        QVERIFY(ToolManifest::load(QStringLiteral("/nonexistent/manifest.json")).isEmpty());
        QVERIFY(!ToolManifest::save({}, QStringLiteral("/nonexistent/manifest.json")));
    }
};

QTEST_GUILESS_MAIN(TestToolManifest)
#include "tst_toolmanifest.moc"
