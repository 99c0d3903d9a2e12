#include "TestMedia.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

// The shared test media must really hold the streams its header promises,
// since other suites read heights and codecs from yt-dlp, which trusts the
// playlists without looking at the streams.
class TestMediaTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(!TestMedia::folder().isEmpty(), qPrintable(TestMedia::error())); }

    void streams_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("codecs");
        QTest::addColumn<int>("height");

        QTest::newRow("direct") << TestMedia::directVideo << "h264,aac" << 180;
        QTest::newRow("second") << TestMedia::secondVideo << "h264,aac" << 180;
        QTest::newRow("1080") << "hls/v1080/index.m3u8"
                              << "h264" << 1080;
        QTest::newRow("720") << "hls/v720/index.m3u8"
                             << "h264" << 720;
        QTest::newRow("480") << "hls/v480/index.m3u8"
                             << "h264" << 480;
        QTest::newRow("hls audio") << "hls/audio/index.m3u8"
                                   << "aac" << 0;
        QTest::newRow("m4a") << TestMedia::audioM4a << "aac" << 0;
        QTest::newRow("mp3") << TestMedia::audioMp3 << "mp3" << 0;
    }

    void streams()
    {
        QFETCH(QString, file);
        QFETCH(QString, codecs);
        QFETCH(int, height);

        QProcess probe;
        probe.start(QStringLiteral("ffprobe"),
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
                QStringLiteral("-of"), QStringLiteral("json"), TestMedia::path(file) });
        QVERIFY(probe.waitForFinished(60'000));
        QCOMPARE(probe.exitCode(), 0);

        QStringList found;
        int foundHeight = 0;
        const QJsonArray streams
            = QJsonDocument::fromJson(probe.readAllStandardOutput())["streams"].toArray();
        for (const QJsonValue& stream : streams) {
            found << stream["codec_name"].toString();
            foundHeight = qMax(foundHeight, stream["height"].toInt());
        }
        QCOMPARE(found.join(QLatin1Char(',')), codecs);
        QCOMPARE(foundHeight, height);
    }
};

QTEST_GUILESS_MAIN(TestMediaTest)
#include "tst_testmedia.moc"
