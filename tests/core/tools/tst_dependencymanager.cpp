#include "DependencyManager.h"
#include "LogManager.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "ToolManifest.h"
#include "ToolMirror.h"
#include "ToolSources.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;
using Working = ComponentStatuses::Working;
using Failed = ComponentStatuses::Failed;
using Installed = ComponentStatuses::Installed;

Q_DECLARE_METATYPE(Tool)

namespace {

using TestSupport::readFile;

// The application log without timestamps, after every queued line was written.
QStringList appLog()
{
    QStringList lines = TestSupport::appLog().split('\n', Qt::SkipEmptyParts);
    for (QString& line : lines)
        line.remove(QRegularExpression(QStringLiteral("^\\[[^]]*\\] ")));
    return lines;
}

QString url(Tool tool, int source = 0)
{
    return ToolSources::spec(tool)->urls.at(source).toString(QUrl::FullyEncoded);
}

void install(DependencyManager& manager, const QList<Tool>& tools, bool quietPhase = false)
{
    auto task = manager.install(tools, quietPhase);
    QCoro::waitFor(std::move(task));
}

} // namespace

class TestDependencyManager : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    QString m_tmp; // the temporary folder the installer sees
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<ToolMirror> m_mirror;

    QStringList workFolders() const
    {
        return QDir(m_tmp).entryList({ QStringLiteral("kw-*") }, QDir::AllEntries | QDir::Hidden);
    }

private slots:
    void initTestCase()
    {
        m_tmp = m_scratch.filePath(QStringLiteral("tmp"));
        QVERIFY(QDir().mkpath(m_tmp));
        qputenv("TMPDIR", QFile::encodeName(m_tmp));
        m_server = std::make_unique<TestHttpServer>();
        qputenv("KLIPWELL_TOOL_MIRROR", m_server->origin().toUtf8());
        m_mirror = std::make_unique<ToolMirror>(*m_server, m_scratch.filePath(QStringLiteral("mirror")));
    }

    void init()
    {
        QVERIFY(QDir(toolsDirectory()).removeRecursively());
        LogManager::shared().read(QUuid::createUuid());
        QFile::remove(LogManager::shared().appLogPath());
        m_mirror->serveYtdlp();
        m_mirror->serveFFmpegWithBinFolder();
        m_mirror->serveFFmpegFlat();
        m_mirror->withdrawChecksums();
    }

    void cleanup() { QCOMPARE(workFolders(), QStringList()); }

    void sourceFaults_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message"); // empty: installed
        QTest::addColumn<QStringList>("log");

        const QString ffmpeg1 = url(Tool::ffmpeg, 0);
        const QString ffmpeg2 = url(Tool::ffmpeg, 1);
        const QString ytdlp = url(Tool::ytdlp);
        QTest::newRow("first source missing")
            << Tool::ffmpeg << "first404"
            << ""
            << QStringList { "Source " + ffmpeg1 + " failed: HTTP 404",
                   "no published checksum for " + QUrl(ffmpeg2).fileName() + "; installed unverified" };
        QTest::newRow("every source missing")
            << Tool::ffmpeg << "both404"
            << "HTTP 404"
            << QStringList { "Source " + ffmpeg1 + " failed: HTTP 404",
                   "Source " + ffmpeg2 + " failed: HTTP 404", "Install FFmpeg failed: HTTP 404" };
        QTest::newRow("archives without the tool")
            << Tool::ffprobe << "noTool"
            << "ffprobe not found in archive."
            << QStringList { "Source " + url(Tool::ffprobe, 0) + " failed: ffprobe not found in archive.",
                   "Source " + url(Tool::ffprobe, 1) + " failed: ffprobe not found in archive.",
                   "Install ffprobe failed: ffprobe not found in archive." };
        QTest::newRow("corrupt archives")
            << Tool::ffmpeg << "corrupt"
            << "Could not extract archive: Unrecognized archive format" << QStringList {};
        QTest::newRow("archives with an entry outside")
            << Tool::ffmpeg << "dotdot"
            << "Could not extract archive: Refused entry \"../../evil\": it points outside the extraction "
               "folder."
            << QStringList {};
        QTest::newRow("executable fails its version probe")
            << Tool::ytdlp << "badProbe"
            << "yt-dlp failed validation."
            << QStringList { "Source " + ytdlp + " failed: yt-dlp failed validation.",
                   "Install yt-dlp failed: yt-dlp failed validation." };
        QTest::newRow("stalled server")
            << Tool::ytdlp << "stall"
            << "The request timed out."
            << QStringList { "Source " + ytdlp + " failed: The request timed out.",
                   "Install yt-dlp failed: The request timed out." };
    }

    void sourceFaults()
    {
        QFETCH(Tool, tool);
        QFETCH(QString, fault);
        QFETCH(QString, message);
        QFETCH(QStringList, log);
        const QString first = ToolMirror::path(tool, 0);
        const QString second = ToolMirror::path(tool, 1);
        const auto bothArchives = [&](const QList<TestArchive::Entry>& entries) {
            m_mirror->serveArchive(first, TestArchive::Format::tarXz, entries);
            m_mirror->serveArchive(second, TestArchive::Format::tarXz, entries);
        };
        if (fault == "first404") {
            m_server->serveStatus(first, 404);
        } else if (fault == "both404") {
            m_server->serveStatus(first, 404);
            m_server->serveStatus(second, 404);
        } else if (fault == "noTool") {
            bothArchives({ TestArchive::file("ffmpeg-static/ffmpeg", "#!/bin/sh\n", 0755),
                TestArchive::directory("ffmpeg-static/ffprobe/") });
        } else if (fault == "corrupt") {
            m_server->serveData(first, "<html>not an archive</html>");
            m_server->serveData(second, "<html>not an archive</html>");
        } else if (fault == "dotdot") {
            bothArchives({ TestArchive::file("../../evil", "#!/bin/sh\n", 0755),
                TestArchive::fileFrom("bin/ffmpeg", "/usr/bin/ffmpeg") });
        } else if (fault == "badProbe") {
            m_server->serveData(first, "#!/bin/sh\necho 2025.01.01\nexit 3\n");
        } else if (fault == "stall") {
            m_server->serveStall(first, 1000000, 100);
        }

        DependencyManager manager;
        // Only the stalling server gets the short limit: a busy machine may pause a real transfer.
        if (fault == "stall")
            manager.setDownloadStallTimeout(1s);
        install(manager, { tool });

        const ComponentState state = manager.state(tool);
        const QString name = rawValue(tool);
        if (message.isEmpty()) {
            QCOMPARE(state.status, ComponentStatus(Installed {}));
            QCOMPARE(manager.phase(), Phase::failed); // the other tools are still missing
            QCOMPARE(manager.overall(), 0.2);
            const QString used = fault == "first404" ? second : first;
            QCOMPARE(manager.manifest().value(name).source, m_server->url(used).toString(QUrl::FullyEncoded));
        } else {
            QCOMPARE(state.status, ComponentStatus(Failed { message }));
            QVERIFY(!QFileInfo::exists(toolPath(tool)));
            QVERIFY(!manager.manifest().contains(name));
            QVERIFY(ToolManifest::load(ToolManifest::path()).isEmpty());
        }
        if (!log.isEmpty())
            QCOMPARE(appLog(), log);
        QCOMPARE(QDir(m_tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    void publishedChecksums_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<QString>("mirror"); // "crlf", "none", "corrupt"
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("verified");
        QTest::addColumn<int>("source"); // the one installed from
        // Matching checksums of every tool: the maintenance suite's first launch.
        QTest::newRow("yt-dlp sums with CRLF") << Tool::ytdlp << "crlf" << true << true << 0;
        QTest::newRow("yt-dlp corrupted") << Tool::ytdlp << "corrupt" << false << false << 0;
        QTest::newRow("Deno zip corrupted") << Tool::deno << "corrupt" << false << false << 0;
        QTest::newRow("FFmpeg corrupted: second source, unverifiable")
            << Tool::ffmpeg << "corrupt" << true << false << 1;
        QTest::newRow("mirror without checksums") << Tool::ytdlp << "none" << true << false << 0;
    }

    void publishedChecksums()
    {
        QFETCH(Tool, tool);
        QFETCH(QString, mirror);
        QFETCH(bool, installed);
        QFETCH(bool, verified);
        QFETCH(int, source);
        if (tool == Tool::deno && !m_mirror->serveDeno())
            QSKIP("No Deno in the test assets; scripts/test installs it.");
        if (mirror != "none")
            m_mirror->publishChecksums(mirror == "crlf");
        if (mirror == "corrupt")
            m_mirror->corrupt(tool);

        DependencyManager manager;
        install(manager, { tool });

        const QString name = rawValue(tool);
        const QString mismatch
            = "The download of " + name + " didn’t match its published checksum, so it wasn’t installed.";
        QStringList log;
        if (mirror == "corrupt")
            log << "Source " + url(tool) + " failed: " + mismatch;
        if (installed && !verified)
            log << "no published checksum for " + QUrl(url(tool, source)).fileName()
                    + "; installed unverified";
        if (!installed)
            log << "Install " + name + " failed: " + mismatch;
        QCOMPARE(appLog(), log);
        if (installed) {
            QCOMPARE(manager.state(tool).status, ComponentStatus(Installed {}));
            const ManifestEntry entry = ToolManifest::load(ToolManifest::path()).value(name);
            QCOMPARE(entry.verified, verified);
            QCOMPARE(entry.source, url(tool, source));
        } else {
            QCOMPARE(manager.state(tool).status, ComponentStatus(Failed { mismatch }));
            QVERIFY(!QFileInfo::exists(toolPath(tool)));
        }
        QCOMPARE(QDir(m_tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    void updateKeepsTheWorkingToolUnlessTheNewOnePasses_data()
    {
        QTest::addColumn<QByteArray>("served"); // empty: 404; "corrupt": the old one changed
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<QString>("notice"); // %1: the kept version
        const QByteArray version = "#!/bin/sh\nif [ \"$1\" = --version ]; then echo 2099.09.01; exit 0; fi\n";
        const QString kept = "The new yt-dlp failed its self-test, so %1 was kept.";
        QTest::newRow("download fails") << QByteArray() << false << QString();
        QTest::newRow("download does not match its checksum")
            << QByteArray("corrupt") << false
            << "The download of yt-dlp didn’t match its published checksum, so it wasn’t installed.";
        QTest::newRow("version probe fails") << QByteArray("#!/bin/sh\nexit 1\n") << false << kept;
        QTest::newRow("smoke test fails") << version + "echo only; echo five\n" << false << kept;
        QTest::newRow("new build works") << version + "seq 1 150\n" << true << QString();
    }

    void updateKeepsTheWorkingToolUnlessTheNewOnePasses()
    {
        QFETCH(QByteArray, served);
        QFETCH(bool, replaced);
        QFETCH(QString, notice);
        DependencyManager manager;
        install(manager, { Tool::ytdlp });
        const ComponentState before = manager.state(Tool::ytdlp);
        QCOMPARE(before.status, ComponentStatus(Installed {}));
        const ManifestEntry entry = manager.manifest().value("yt-dlp");

        const QString path = ToolMirror::path(Tool::ytdlp);
        if (served.isEmpty()) {
            m_server->serveStatus(path, 404);
        } else if (served == "corrupt") {
            m_mirror->publishChecksums();
            m_mirror->corrupt(Tool::ytdlp);
        } else {
            m_server->serveData(path, served);
        }
        QSignalSpy phases(&manager, &DependencyManager::phaseChanged);
        install(manager, { Tool::ytdlp }, true);

        QCOMPARE(phases.count(), 0);
        QCOMPARE(QDir(toolsDirectory()).entryList(QDir::Files), QStringList({ "manifest.json", "yt-dlp" }));
        if (replaced) {
            QCOMPARE(manager.state(Tool::ytdlp).version, "2099.09.01");
            QCOMPARE(manager.manifest().value("yt-dlp").version, "2099.09.01");
            QCOMPARE(readFile(toolPath(Tool::ytdlp)), served);
            return;
        }
        ComponentState kept = before;
        if (!notice.isEmpty())
            kept.notice = QString(notice).replace("%1", *before.version);
        QCOMPARE(manager.state(Tool::ytdlp), kept);
        QCOMPARE(manager.manifest().value("yt-dlp"), entry);
        QCOMPARE(readFile(toolPath(Tool::ytdlp)), readFile("/usr/bin/yt-dlp"));
        QVERIFY(notice.isEmpty() || appLog().last().endsWith(*kept.notice));
    }

    void nothingToInstall()
    {
        DependencyManager manager;
        install(manager, { Tool::ejs });
        QCOMPARE(manager.phase(), Phase::failed);
        QCOMPARE(manager.current(), QStringLiteral("Checking tools…"));

        auto task = manager.installOne(ToolSpec { Tool::deno, {}, true, { "--version" } });
        const auto outcome = QCoro::waitFor(std::move(task));
        QCOMPARE(std::get<ToolError>(outcome), (ToolError { "Install", 1, "No download source available." }));
    }

    void validateProbesTheToolsFolder()
    {
        DependencyManager manager;
        auto missing = manager.validate(Tool::ffmpeg);
        QCOMPARE(QCoro::waitFor(std::move(missing)), std::nullopt);
        auto ejs = manager.validate(Tool::ejs, QStringLiteral("/usr/bin/yt-dlp"));
        QCOMPARE(QCoro::waitFor(std::move(ejs)), std::nullopt);
        auto notExecutable = manager.validate(Tool::ffmpeg, QStringLiteral("/etc/hostname"));
        QCOMPARE(QCoro::waitFor(std::move(notExecutable)), std::nullopt);
        auto debian = manager.validate(Tool::ffprobe, QStringLiteral("/usr/bin/ffprobe"));
        QVERIFY(QCoro::waitFor(std::move(debian)).value_or(QString()).startsWith("5.1"));
    }
};

QTEST_GUILESS_MAIN(TestDependencyManager)
#include "tst_dependencymanager.moc"
