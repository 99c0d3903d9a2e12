#include "DependencyManager.h"
#include "SettingsStore.h"
#include "StartupRecord.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "ToolManifest.h"
#include "ToolMirror.h"
#include "ToolSources.h"

#include <QCoroTask>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using Failed = ComponentStatuses::Failed;
using Installed = ComponentStatuses::Installed;
using TestSupport::readFile;
Q_DECLARE_METATYPE(Tool)

namespace {

const QString ytdlpAPI = "/repos/yt-dlp/yt-dlp/releases/latest";
const QString denoAPI = "/repos/denoland/deno/releases/latest";

void run(QCoro::Task<> task)
{
    QCoro::waitFor(std::move(task));
}

QString url(Tool tool, int source = 0)
{
    return ToolSources::spec(tool)->urls.at(source).toString(QUrl::FullyEncoded);
}

QString mismatch(const QString& tool)
{
    return "The download of " + tool + " didn’t match its published checksum, so it wasn’t installed.";
}

} // namespace

// Installing, verifying, rolling back, repairing and updating the real tools
// from a local mirror. The first test installs single tools into an empty
// tools folder; from the first launch on, the installed tools stay.
class TestDependencyManager : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    QString m_tmp; // the temporary folder the installer sees
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<ToolMirror> m_mirror;

    // Transfers of the tools' assets; ffmpeg and ffprobe share one.
    int downloads() const
    {
        return m_server->requestCount(ToolMirror::path(Tool::ytdlp))
            + m_server->requestCount(ToolMirror::path(Tool::ffmpeg))
            + m_server->requestCount(ToolMirror::path(Tool::deno));
    }

    // The release endpoints answer these tags, "=" standing for the installed
    // version; no tag: yt-dlp's answers 404, Deno's a page that is not JSON.
    QStringList serveReleases(const DependencyManager& manager, QString ytdlp, QString deno)
    {
        ytdlp.replace("=", manager.state(Tool::ytdlp).version.value_or(""));
        deno.replace("=", manager.state(Tool::deno).version.value_or(""));
        const auto release = [](const QString& tag) { return QJsonDocument(QJsonObject { { "tag_name", tag } }).toJson(); };
        m_server->serveData(ytdlpAPI, release(ytdlp), "application/json");
        m_server->serveData(denoAPI, deno.isEmpty() ? "<html>busy</html>" : release(deno), "application/json");
        if (ytdlp.isEmpty())
            m_server->serveStatus(ytdlpAPI, 404);
        return { ytdlp, deno };
    }

private slots:
    void initTestCase()
    {
        m_tmp = m_scratch.filePath("tmp");
        QVERIFY(QDir().mkpath(m_tmp));
        qputenv("TMPDIR", QFile::encodeName(m_tmp));
        m_server = std::make_unique<TestHttpServer>();
        qputenv("KLIPWELL_TOOL_MIRROR", m_server->origin().toUtf8());
        m_mirror = std::make_unique<ToolMirror>(*m_server, m_scratch.filePath("mirror"));
        if (!m_mirror->serveDeno())
            QSKIP("No Deno in the test assets; scripts/test installs it.");
        m_mirror->serveYtdlp();
        SettingsStore::registerDefaults();
    }

    // No work folder or download is left behind, whatever happened.
    void cleanup() { QCOMPARE(QDir(m_tmp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList()); }

    // One tool into an empty tools folder. A failing source gives way to the
    // next; when every one fails, nothing is installed.
    void installOneTool_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<QString>("mirror"); // what the mirror does differently
        QTest::addColumn<int>("source"); // the one installed from; -1: none
        QTest::addColumn<bool>("verified");
        QTest::addColumn<QString>("message"); // shown when none worked
        QTest::newRow("first source missing") << Tool::ffmpeg << "first404" << 1 << false << "";
        QTest::newRow("every source missing") << Tool::ffmpeg << "both404" << -1 << false << "HTTP 404";
        QTest::newRow("archives without the tool") << Tool::ffprobe << "noTool" << -1 << false << "ffprobe not found in archive.";
        QTest::newRow("archives with an entry outside") << Tool::ffmpeg << "dotdot" << -1 << false << "Could not extract archive: Refused entry \"../../evil\": it points outside the extraction folder.";
        QTest::newRow("executable fails its version probe") << Tool::ytdlp << "badProbe" << -1 << false << "yt-dlp failed validation.";
        QTest::newRow("yt-dlp sums with CRLF") << Tool::ytdlp << "crlf" << 0 << true << "";
        QTest::newRow("no published checksums") << Tool::ytdlp << "" << 0 << false << "";
        QTest::newRow("yt-dlp corrupted") << Tool::ytdlp << "corrupt" << -1 << false << mismatch("yt-dlp");
        QTest::newRow("Deno zip corrupted") << Tool::deno << "corrupt" << -1 << false << mismatch("Deno");
        QTest::newRow("FFmpeg corrupted: second source, unverifiable") << Tool::ffmpeg << "corrupt" << 1 << false << "";
    }

    void installOneTool()
    {
        QFETCH(Tool, tool);
        QFETCH(QString, mirror);
        QFETCH(int, source);
        QFETCH(bool, verified);
        QFETCH(QString, message);
        QVERIFY(QDir(toolsDirectory()).removeRecursively());
        m_mirror->restore();
        m_mirror->serveFFmpegWithBinFolder();
        m_mirror->serveFFmpegFlat();
        m_mirror->withdrawChecksums();
        const QString first = ToolMirror::path(tool, 0), second = ToolMirror::path(tool, 1);
        if (mirror == "first404" || mirror == "both404")
            m_server->serveStatus(first, 404);
        if (mirror == "both404")
            m_server->serveStatus(second, 404);
        const QList<TestArchive::Entry> noTool { TestArchive::file("ffmpeg-static/ffmpeg", "#!/bin/sh\n", 0755), TestArchive::directory("ffmpeg-static/ffprobe/") };
        const QList<TestArchive::Entry> dotdot { TestArchive::file("../../evil", "#!/bin/sh\n", 0755), TestArchive::fileFrom("bin/ffmpeg", "/usr/bin/ffmpeg") };
        for (const QString& path : { first, second }) {
            if (mirror == "noTool" || mirror == "dotdot")
                m_mirror->serveArchive(path, TestArchive::Format::tarXz, mirror == "noTool" ? noTool : dotdot);
        }
        if (mirror == "badProbe")
            m_server->serveData(first, "#!/bin/sh\necho 2025.01.01\nexit 3\n");
        if (mirror == "crlf" || mirror == "corrupt")
            m_mirror->publishChecksums(mirror == "crlf");
        if (mirror == "corrupt")
            m_mirror->corrupt(tool);

        DependencyManager manager;
        run(manager.install({ tool }, false));

        const QString name = rawValue(tool);
        QCOMPARE(manager.phase(), Phase::failed); // the other tools are still missing
        if (source < 0) {
            QCOMPARE(manager.state(tool).status, ComponentStatus(Failed { message }));
            QVERIFY(!QFileInfo::exists(toolPath(tool)));
            QVERIFY(ToolManifest::load(ToolManifest::path()).isEmpty());
            return;
        }
        QCOMPARE(manager.state(tool).status, ComponentStatus(Installed {}));
        QCOMPARE(manager.overall(), 0.2);
        const ManifestEntry entry = ToolManifest::load(ToolManifest::path()).value(name);
        QCOMPARE(entry.source, url(tool, source));
        QCOMPARE(entry.verified, verified);
    }

    void firstLaunchInstallsEverythingOnce()
    {
        QVERIFY(QDir(toolsDirectory()).removeRecursively());
        m_mirror->restore();
        m_mirror->serveFFmpegWithBinFolder();
        m_mirror->publishChecksums();
        const int before = downloads();
        DependencyManager manager;
        QStringList texts;
        connect(&manager, &DependencyManager::currentChanged, this, [&] { texts << manager.current(); });
        auto first = manager.bootstrap();
        QVERIFY(manager.busy());
        run(manager.bootstrap()); // refused while the first runs
        QVERIFY(manager.busy());
        run(std::move(first));

        QCOMPARE(texts, QStringList({ "Checking installed tools…", "Installing yt-dlp (1/4)", "Installing FFmpeg (2/4)", "Installing ffprobe (3/4)", "Installing Deno (4/4)", "Running smoke tests…", "All tools ready" }));
        QCOMPARE(downloads(), before + 3); // the archive ffmpeg and ffprobe share, once
        QCOMPARE(manager.phase(), Phase::ready);
        QVERIFY(!manager.busy());
        QCOMPARE(manager.state(Tool::ejs).status, ComponentStatus(Installed {}));
        const QMap<QString, ManifestEntry> manifest = ToolManifest::load(ToolManifest::path());
        for (Tool tool : installableTools()) {
            QCOMPARE(manager.state(tool).status, ComponentStatus(Installed {}));
            QCOMPARE(QFileInfo(toolPath(tool)).permissions() & 0x7777, QFileDevice::Permissions(0x7755));
            const ManifestEntry entry = manifest.value(rawValue(tool));
            QCOMPARE(entry.version, manager.state(tool).version.value_or(""));
            QCOMPARE(entry.source, url(tool));
            QVERIFY(entry.verified);
            QVERIFY(qAbs(entry.installedAt.secsTo(QDateTime::currentDateTimeUtc())) < 600);
        }
        QCOMPARE(DependencyManager().manifest(), manifest); // read back at the next start
        QVERIFY(StartupRecord::stillHolds()); // the next start may open the working screens at once
    }

    // Without remote components the challenge solver is missing, and the next
    // start checks in full. A repair downloads every tool again.
    void missingChallengeSolverThenRepair()
    {
        SettingsStore::set("remoteEJS", false);
        DependencyManager manager;
        run(manager.bootstrap());
        SettingsStore::remove("remoteEJS");
        QCOMPARE(manager.phase(), Phase::failed);
        QVERIFY(std::holds_alternative<Failed>(manager.state(Tool::ejs).status));
        QCOMPARE(manager.overall(), 1.0); // the failed row still counts its full progress
        QVERIFY(!StartupRecord::stillHolds());
        const int before = downloads();
        QList<Phase> phases;
        connect(&manager, &DependencyManager::phaseChanged, this, [&] { phases << manager.phase(); });

        run(manager.repair());

        QCOMPARE(downloads(), before + 3); // the shared FFmpeg archive once
        QCOMPARE(phases, QList<Phase>({ Phase::installing, Phase::checking, Phase::ready }));
        QVERIFY(StartupRecord::stillHolds());
        // Another file in a tool's place, even of the same size, no longer matches the record.
        const QString ffprobe = toolPath(Tool::ffprobe);
        QVERIFY(QFile::copy(ffprobe, ffprobe + ".new") && QFile::remove(ffprobe) && QFile::rename(ffprobe + ".new", ffprobe));
        QVERIFY(!StartupRecord::stillHolds());
    }

    // Asked for, or automatically once a day: a newer tag re-installs the tool.
    void updateCheck_data()
    {
        QTest::addColumn<QString>("ytdlpTag");
        QTest::addColumn<QString>("denoTag");
        QTest::addColumn<int>("hoursAgo"); // of the last check; -1: never; -2: asked for now
        QTest::addColumn<bool>("checked");
        QTest::addColumn<int>("reinstalled");
        QTest::newRow("same versions, Deno tag with a leading v") << "=" << "v=" << -2 << true << 0;
        QTest::newRow("newer yt-dlp") << "2099.01.01" << "v=" << -2 << true << 1;
        QTest::newRow("both newer") << "2099.01.01" << "v9.0.0" << -2 << true << 2;
        QTest::newRow("unreachable endpoints") << "" << "" << -2 << true << 0;
        QTest::newRow("automatic, 23 hours after the last") << "=" << "v=" << 23 << false << 0;
        QTest::newRow("automatic, 25 hours after the last") << "=" << "v=" << 25 << true << 0;
        QTest::newRow("automatic, never checked") << "=" << "v=" << -1 << true << 0;
    }

    void updateCheck()
    {
        QFETCH(QString, ytdlpTag);
        QFETCH(QString, denoTag);
        QFETCH(int, hoursAgo);
        QFETCH(bool, checked);
        QFETCH(int, reinstalled);
        DependencyManager manager;
        run(manager.bootstrap());
        const std::optional<QString> version = manager.state(Tool::ytdlp).version;
        const QStringList tags = serveReleases(manager, ytdlpTag, denoTag);
        SettingsStore::remove("lastUpdateCheck");
        if (hoursAgo >= 0)
            SettingsStore::set("lastUpdateCheck", QDateTime::currentDateTimeUtc().addSecs(-hoursAgo * 3600));
        const int before = downloads(), requests = m_server->requestCount(ytdlpAPI);
        const QDateTime started = QDateTime::currentDateTimeUtc().addSecs(-2);
        QList<Phase> phases;
        connect(&manager, &DependencyManager::phaseChanged, this, [&] { phases << manager.phase(); });

        run(hoursAgo == -2 ? manager.updateTools() : manager.autoUpdateIfDue());

        QCOMPARE(m_server->requestCount(ytdlpAPI), requests + (checked ? 1 : 0));
        QCOMPARE(SettingsStore::date("lastUpdateCheck").value_or(QDateTime()) > started, checked);
        QCOMPARE(downloads(), before + reinstalled);
        QVERIFY(!phases.contains(Phase::installing));
        QCOMPARE(manager.phase(), Phase::ready);
        QCOMPARE(manager.state(Tool::ytdlp).version, version);
        // A re-installed tool clears its newest tag; the others keep what the check found.
        const auto latest = [&](const QString& tag, bool outdated) { return !checked || tag.isEmpty() || outdated ? std::nullopt : std::optional(tag); };
        QCOMPARE(manager.state(Tool::ytdlp).latest, latest(tags.at(0), reinstalled >= 1));
        QCOMPARE(manager.state(Tool::deno).latest, latest(tags.at(1), reinstalled == 2));
    }

    // An update that fails keeps the working tool and its manifest entry; one
    // that works is the update check's newer yt-dlp.
    void updateKeepsTheWorkingToolUnlessTheNewOnePasses_data()
    {
        QTest::addColumn<QByteArray>("served"); // empty: 404; "corrupt": the old one changed
        QTest::addColumn<QString>("notice"); // %1: the kept version
        const QByteArray version = "#!/bin/sh\nif [ \"$1\" = --version ]; then echo 2099.09.01; exit 0; fi\n";
        const QString selfTest = "yt-dlp 2099.09.01 failed its self-test, so %1 was kept.";
        QTest::newRow("download fails") << QByteArray() << QString();
        QTest::newRow("download does not match its checksum") << QByteArray("corrupt") << mismatch("yt-dlp");
        QTest::newRow("version probe fails") << QByteArray("#!/bin/sh\nexit 1\n") << selfTest;
        QTest::newRow("smoke test fails") << version + "echo only; echo five\n" << selfTest;
    }

    void updateKeepsTheWorkingToolUnlessTheNewOnePasses()
    {
        QFETCH(QByteArray, served);
        QFETCH(QString, notice);
        DependencyManager manager;
        run(manager.bootstrap());
        const ComponentState before = manager.state(Tool::ytdlp);
        const ManifestEntry entry = manager.manifest().value("yt-dlp");
        serveReleases(manager, "2099.09.01", "v=");
        const QString asset = ToolMirror::path(Tool::ytdlp);
        if (served == "corrupt")
            m_mirror->corrupt(Tool::ytdlp); // against the checksums published for the first launch
        else if (served.isEmpty())
            m_server->serveStatus(asset, 404);
        else
            m_server->serveData(asset, served);
        if (served.startsWith("#!"))
            m_mirror->withdrawChecksums();
        QList<Phase> phases;
        connect(&manager, &DependencyManager::phaseChanged, this, [&] { phases << manager.phase(); });

        run(manager.updateTools());

        QCOMPARE(phases, QList<Phase>());
        QCOMPARE(QDir(toolsDirectory()).entryList({ "yt-dlp*" }, QDir::Files), QStringList { "yt-dlp" });
        ComponentState kept = before;
        kept.latest = std::nullopt;
        if (!notice.isEmpty())
            kept.notice = QString(notice).replace("%1", *before.version);
        QCOMPARE(manager.state(Tool::ytdlp), kept);
        QCOMPARE(manager.manifest().value("yt-dlp"), entry);
        QCOMPARE(readFile(toolPath(Tool::ytdlp)), readFile("/usr/bin/yt-dlp"));
        QVERIFY(notice.isEmpty() || TestSupport::appLog().contains(*kept.notice));
        if (QTest::currentDataTag() == QByteArray("smoke test fails")) {
            // Also after a restart, automatic checks pass over that release for a day; asking does not.
            const int downloadsBefore = m_server->requestCount(asset);
            SettingsStore::remove("lastUpdateCheck");
            DependencyManager later;
            run(later.bootstrap());
            run(later.autoUpdateIfDue());
            QCOMPARE(m_server->requestCount(asset), downloadsBefore);
            run(later.updateTools());
            QCOMPARE(m_server->requestCount(asset), downloadsBefore + 1);
        }
    }

    // Without yt-dlp its smoke tests are left out.
    void diagnosticsWithoutYtdlp()
    {
        QVERIFY(QFile::remove(toolPath(Tool::ytdlp)));
        DependencyManager manager;
        run(manager.runDiagnostics());
        const QString report = manager.report();
        QCOMPARE(report.split('\n', Qt::SkipEmptyParts).size(), 8 + 2);
        QVERIFY(report.contains("\n[FAIL] yt-dlp: Missing or not working — " + toolPath(Tool::ytdlp) + "\n"));
        QVERIFY(report.contains(" — " + toolPath(Tool::ffmpeg) + " · verified\n"));
    }
};

QTEST_GUILESS_MAIN(TestDependencyManager)
#include "tst_dependencymanager.moc"
