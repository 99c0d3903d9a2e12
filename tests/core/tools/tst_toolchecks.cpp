#include "DenoManager.h"
#include "EJSManager.h"
#include "FFmpegManager.h"
#include "PublishedChecksum.h"
#include "ReleaseTag.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "ToolManifest.h"
#include "VersionProbe.h"
#include "YTDLPManager.h"

#include <QCoroTask>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Tool)
Q_DECLARE_METATYPE(ChecksumSource::Kind)

namespace {

QByteArray printLines(int count, const char* stream = "")
{
    return QByteArray("#!/bin/sh\ni=0\nwhile [ $i -lt ") + QByteArray::number(count)
        + " ]; do i=$((i+1)); echo \"extractor $i\"" + stream + "; echo; done\n";
}

} // namespace

// What the tools and their publishers say, read without a network: release
// assets, version output, published checksums, release tags, the manifest;
// smoke tests and the challenge-solver check run small scripted stand-ins.
class TestToolChecks : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // The stand-in of the current row; a missing program for an empty script.
    QString standIn(const QByteArray& script)
    {
        const QString path = m_dir.filePath(QString::fromUtf8(QTest::currentDataTag()));
        return script.isEmpty() ? path : TestSupport::writeScript(path, script);
    }

private slots:
    void smokeTests_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<double>("timeout");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("detail"); // a regular expression
        QTest::newRow("yt-dlp with 100 extractors") << Tool::ytdlp << printLines(100) << 30.0 << false << "^100 extractors loaded$";
        QTest::newRow("yt-dlp with 101 extractors") << Tool::ytdlp << printLines(101) << 30.0 << true << "^101 extractors loaded$";
        QTest::newRow("yt-dlp failing") << Tool::ytdlp << QByteArray("#!/bin/sh\nprintf 'ERROR: no module' >&2\nexit 1\n") << 30.0 << false << "^ERROR: no module$";
        QTest::newRow("ffmpeg failing") << Tool::ffmpeg << QByteArray("#!/bin/sh\necho 'Unknown input format' >&2\nexit 8\n") << 30.0 << false << "^Unknown input format\n$";
        QTest::newRow("deno printing 42 but failing") << Tool::deno << QByteArray("#!/bin/sh\necho 42\necho 'warning' >&2\nexit 3\n") << 30.0 << true << "^warning\n$";
        QTest::newRow("deno printing 42") << Tool::deno << QByteArray("#!/bin/sh\nprintf ' 42\\n\\n'\n") << 30.0 << true << "^Evaluated JS$";
        QTest::newRow("deno miscalculating") << Tool::deno << QByteArray("#!/bin/sh\necho 41\n") << 30.0 << false << "^Evaluated JS$";
        QTest::newRow("launch failure") << Tool::ffmpeg << QByteArray() << 30.0 << false << "^Failed to launch ";
        QTest::newRow("time-out") << Tool::deno << QByteArray("#!/bin/sh\nexec sleep 60\n") << 0.5 << false << "^Timed out after 0.5 seconds.$";
    }

    void smokeTests()
    {
        QFETCH(Tool, tool);
        QFETCH(QByteArray, script);
        QFETCH(double, timeout);
        QFETCH(bool, ok);
        QFETCH(QString, detail);
        const QString path = standIn(script);
        auto task = tool == Tool::ytdlp ? YTDLPManager::smokeTest(path, timeout)
            : tool == Tool::ffmpeg      ? FFmpegManager::smokeTest(path, timeout)
                                        : DenoManager::smokeTest(path, timeout);
        const CheckResult result = QCoro::waitFor(std::move(task));
        QCOMPARE(result.first, ok);
        QVERIFY2(result.second.contains(QRegularExpression(detail)), qPrintable(result.second));
    }

    void challengeSolverCheck_data()
    {
        QTest::addColumn<QByteArray>("script"); // empty: yt-dlp not installed
        QTest::addColumn<bool>("remote");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("detail");
        const QByteArray noEjs = printLines(3, " >&2");
        QTest::newRow("bundled, told on the error stream") << QByteArray("#!/bin/sh\necho '[debug] Python 3.11'>&2\nprintf '[debug] Optional libraries: \\tyt_dlp_EJS-0.3.1, certifi \\n' >&2\n") << false << true << "Bundled — Optional libraries: \tyt_dlp_EJS-0.3.1, certifi";
        QTest::newRow("streams kept apart") << QByteArray("#!/bin/sh\nprintf 'generic' \nprintf 'ejs 0.3' >&2\n") << false << true << "Bundled — ejs 0.3";
        QTest::newRow("fetched on demand") << noEjs << true << true << "Fetched on demand from GitHub by yt-dlp (remote components enabled)";
        QTest::newRow("not found") << noEjs << false << false << "Not found. Enable remote components in Settings › Tools.";
        QTest::newRow("no yt-dlp") << QByteArray() << true << false << "yt-dlp not installed";
    }

    void challengeSolverCheck()
    {
        QFETCH(QByteArray, script);
        QFETCH(bool, remote);
        QFETCH(bool, ok);
        QFETCH(QString, detail);
        SettingsStore::set("remoteEJS", remote);
        auto task = EJSManager::status(standIn(script), 30);
        QCOMPARE(QCoro::waitFor(std::move(task)), CheckResult(ok, detail));
    }

    void versionProbe_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("version"); // empty: none
        QTest::newRow("ffmpeg") << Tool::ffmpeg << "ffmpeg version 7.1 Copyright (c) 2000-2024\nbuilt with gcc\n" << "7.1";
        QTest::newRow("ffprobe debian") << Tool::ffprobe << "\n\nffprobe  version  5.1.6-0+deb12u1 Copyright" << "5.1.6-0+deb12u1";
        QTest::newRow("ffmpeg version alone") << Tool::ffmpeg << "ffmpeg version 7.1" << "7.1";
        QTest::newRow("ffmpeg too short") << Tool::ffmpeg << "ffmpeg version" << "";
        QTest::newRow("ffmpeg not a version line") << Tool::ffmpeg << "usage: ffmpeg [options]" << "";
        QTest::newRow("yt-dlp") << Tool::ytdlp << " \t2025.01.15\t \n" << "2025.01.15";
        QTest::newRow("yt-dlp blank line") << Tool::ytdlp << " \t\n2025.01.15" << "";
        QTest::newRow("deno") << Tool::deno << "deno 2.1.4 (stable, release, aarch64-apple-darwin)\nv8 13.0" << "2.1.4";
        QTest::newRow("deno only name") << Tool::deno << "deno " << "";
        QTest::newRow("ejs is never probed") << Tool::ejs << "1.0" << "";
    }

    void versionProbe()
    {
        QFETCH(Tool, tool);
        QFETCH(QString, output);
        QFETCH(QString, version);
        QCOMPARE(VersionProbe::parse(tool, output).value_or(QString()), version);
    }

    void publishedChecksum_data()
    {
        QTest::addColumn<ChecksumSource::Kind>("kind");
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QByteArray>("hash"); // empty: none
        const QByteArray a(64, 'a'), b(64, 'b');
        const auto sums = ChecksumSource::Kind::sumsFile;
        const auto release = ChecksumSource::Kind::releaseDigest;
        QTest::newRow("exact name, not a longer one") << sums << b + "  yt-dlp_linux_aarch64\n" + a + "  yt-dlp_linux\n" << a;
        QTest::newRow("binary mode, upper case") << sums << a.toUpper() + " *yt-dlp_linux\r\n" << a;
        QTest::newRow("bare hash") << sums << a + "\n" << a;
        QTest::newRow("asset not listed") << sums << b + "  yt-dlp_macos\n" << QByteArray();
        QTest::newRow("release digest") << release << "{\"assets\": [{\"name\": \"other\", \"digest\": \"sha256:" + b + "\"}, {\"name\": \"yt-dlp_linux\", \"digest\": \"sha256:" + a + "\"}]}" << a;
        QTest::newRow("release without a SHA-256 digest") << release << QByteArray("{\"assets\": [{\"name\": \"yt-dlp_linux\", \"digest\": \"md5:0123\"}]}") << QByteArray();
    }

    void publishedChecksum()
    {
        QFETCH(ChecksumSource::Kind, kind);
        QFETCH(QByteArray, document);
        QFETCH(QByteArray, hash);
        QCOMPARE(PublishedChecksum::parse(kind, document, "yt-dlp_linux").value_or(QByteArray()), hash);
    }

    // Equal, newer and unknown versions are covered by the update check against the mirror.
    void releaseTags()
    {
        QVERIFY(!ReleaseTag::isNewer("v2.1.4", "2.1")); // the installed text is a prefix
        QVERIFY(!ReleaseTag::isNewer("vv2.v1", "2.1")); // every v removed
        QVERIFY(ReleaseTag::isNewer("v2.1.40", "2.1.4")); // a prefix that cuts a number is no match
        QVERIFY(ReleaseTag::isNewer("2.10", "2.1"));
    }

    // What a hand-edited or damaged manifest keeps, and that it reads back the same after a save.
    void manifest_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("not json") << QByteArray("{\"yt-dlp\": {\"version\"") << QStringList();
        QTest::newRow("array") << QByteArray("[1, 2]") << QStringList();
        QTest::newRow("one entry lacks its date") << QByteArray(R"({"Deno": {"version": "2.1.4", "source": "x"}, "yt-dlp": {"version": "1", "installedAt": "2025-01-20T09:30:05Z", "source": "a%20b", "verified": true}})") << QStringList { "yt-dlp" };
        QTest::newRow("bad date") << QByteArray(R"({"Deno": {"version": "2", "installedAt": "soon", "source": "x"}})") << QStringList();
        QTest::newRow("date with a fraction of a second") << QByteArray(R"({"yt-dlp": {"version": "1", "installedAt": "2024-03-01T10:00:00.5Z", "source": "y"}})") << QStringList { "yt-dlp" };
    }

    void manifest()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, keys);
        QTemporaryDir dir;
        const QString path = dir.filePath("manifest.json");
        QVERIFY(TestSupport::writeFile(path, content));
        const QMap<QString, ManifestEntry> manifest = ToolManifest::load(path);
        QCOMPARE(manifest.keys(), keys);
        QVERIFY(ToolManifest::save(manifest, path));
        QCOMPARE(ToolManifest::load(path), manifest);
    }
};

QTEST_GUILESS_MAIN(TestToolChecks)
#include "tst_toolchecks.moc"
