#include "AppPaths.h"
#include "DenoManager.h"
#include "FFmpegManager.h"
#include "Tool.h"
#include "ToolSources.h"
#include "VersionProbe.h"
#include "YTDLPManager.h"

#include <QDir>
#include <QTest>

Q_DECLARE_METATYPE(Tool)
Q_DECLARE_METATYPE(CpuArchitecture)

class TestToolCatalogue : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("KLIPWELL_TOOL_MIRROR"); }

    void toolsFolderPaths()
    {
        const QString tools = AppPaths::sub(QStringLiteral("Tools"));
        QCOMPARE(toolPath(Tool::ffprobe), tools + QStringLiteral("/ffprobe"));
        QCOMPARE(toolPath(Tool::ejs), tools); // nothing to execute
        QCOMPARE(toolFromRawValue(QStringLiteral("FFmpeg")), Tool::ffmpeg);
        QCOMPARE(toolFromRawValue(QStringLiteral("ffmpeg")), std::nullopt);
    }

    void sources_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<CpuArchitecture>("arch");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<bool>("isArchive");
        QTest::addColumn<QStringList>("versionArgs");
        const QString btbn
            = QStringLiteral("https://github.com/BtbN/FFmpeg-Builds/releases/download/latest/");
        const QString johnvansickle = QStringLiteral("https://johnvansickle.com/ffmpeg/releases/");
        const QStringList single { QStringLiteral("-version") };
        const QStringList dashes { QStringLiteral("--version") };
        QTest::newRow("yt-dlp x86-64")
            << Tool::ytdlp << CpuArchitecture::x86_64
            << QStringList { "https://github.com/yt-dlp/yt-dlp/releases/latest/download/yt-dlp_linux" }
            << false << dashes;
        QTest::newRow("yt-dlp arm64") << Tool::ytdlp << CpuArchitecture::arm64
                                      << QStringList { "https://github.com/yt-dlp/yt-dlp/releases/latest/"
                                                       "download/yt-dlp_linux_aarch64" }
                                      << false << dashes;
        QTest::newRow("deno x86-64")
            << Tool::deno << CpuArchitecture::x86_64
            << QStringList { "https://github.com/denoland/deno/releases/latest/download/"
                             "deno-x86_64-unknown-linux-gnu.zip" }
            << true << dashes;
        QTest::newRow("ffmpeg x86-64") << Tool::ffmpeg << CpuArchitecture::x86_64
                                       << QStringList { btbn + "ffmpeg-master-latest-linux64-gpl.tar.xz",
                                              johnvansickle + "ffmpeg-release-amd64-static.tar.xz" }
                                       << true << single;
        QTest::newRow("ffprobe arm64") << Tool::ffprobe << CpuArchitecture::arm64
                                       << QStringList { btbn + "ffmpeg-master-latest-linuxarm64-gpl.tar.xz",
                                              johnvansickle + "ffmpeg-release-arm64-static.tar.xz" }
                                       << true << single;
    }

    void sources()
    {
        QFETCH(Tool, tool);
        QFETCH(CpuArchitecture, arch);
        QFETCH(QStringList, urls);
        QFETCH(bool, isArchive);
        QFETCH(QStringList, versionArgs);
        const ToolSpec spec = tool == Tool::ytdlp ? YTDLPManager::spec(arch)
            : tool == Tool::deno                  ? DenoManager::spec(arch)
                                                  : FFmpegManager::spec(tool, arch);
        QCOMPARE(spec.tool, tool);
        QStringList actual;
        for (const QUrl& url : spec.urls)
            actual << url.toString(QUrl::FullyEncoded);
        QCOMPARE(actual, urls);
        QCOMPARE(spec.isArchive, isArchive);
        QCOMPARE(spec.versionArgs, versionArgs);
    }

    void mirrorReplacesOriginOfEverySource()
    {
        qputenv("KLIPWELL_TOOL_MIRROR", "http://127.0.0.1:8080");
        QCOMPARE(FFmpegManager::spec(Tool::ffmpeg, CpuArchitecture::x86_64).urls.at(1).toString(),
            QStringLiteral("http://127.0.0.1:8080/ffmpeg/releases/ffmpeg-release-amd64-static.tar.xz"));
        QCOMPARE(DenoManager::latestAPI().toString(),
            QStringLiteral("http://127.0.0.1:8080/repos/denoland/deno/releases/latest"));
        QCOMPARE(YTDLPManager::latestAPI().toString(),
            QStringLiteral("http://127.0.0.1:8080/repos/yt-dlp/yt-dlp/releases/latest"));

        qputenv("KLIPWELL_TOOL_MIRROR", "not a mirror");
        QCOMPARE(YTDLPManager::latestAPI().toString(),
            QStringLiteral("https://api.github.com/repos/yt-dlp/yt-dlp/releases/latest"));
    }

    void versionProbe_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("version"); // empty: none
        QTest::newRow("ffmpeg") << Tool::ffmpeg
                                << "ffmpeg version 7.1 Copyright (c) 2000-2024\nbuilt with gcc\n"
                                << "7.1";
        QTest::newRow("ffprobe debian") << Tool::ffprobe << "\n\nffprobe  version  5.1.6-0+deb12u1 Copyright"
                                        << "5.1.6-0+deb12u1";
        QTest::newRow("ffmpeg too short") << Tool::ffmpeg << "ffmpeg version"
                                          << "";
        QTest::newRow("ffmpeg not a version line") << Tool::ffmpeg << "usage: ffmpeg [options]"
                                                   << "";
        QTest::newRow("yt-dlp") << Tool::ytdlp << " \t2025.01.15\t \n"
                                << "2025.01.15";
        QTest::newRow("yt-dlp blank line") << Tool::ytdlp << " \t\n2025.01.15"
                                           << "";
        QTest::newRow("deno") << Tool::deno << "deno 2.1.4 (stable, release, aarch64-apple-darwin)\nv8 13.0"
                              << "2.1.4";
        QTest::newRow("deno only name") << Tool::deno << "deno "
                                        << "";
        QTest::newRow("ejs is never probed") << Tool::ejs << "1.0"
                                             << "";
    }

    void versionProbe()
    {
        QFETCH(Tool, tool);
        QFETCH(QString, output);
        QFETCH(QString, version);
        const std::optional<QString> expected = version.isEmpty() ? std::nullopt : std::optional(version);
        QCOMPARE(VersionProbe::parse(tool, output), expected);
    }
};

QTEST_GUILESS_MAIN(TestToolCatalogue)
#include "tst_toolcatalogue.moc"
