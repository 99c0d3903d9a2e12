#include "DependencyManager.h"
#include "SettingsStore.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "ToolManifest.h"
#include "ToolMirror.h"
#include "ToolSources.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Working = ComponentStatuses::Working;

namespace {

void run(QCoro::Task<> task)
{
    QCoro::waitFor(std::move(task));
}

QStringList names(const QList<DiagnosticItem>& rows)
{
    QStringList result;
    for (const DiagnosticItem& row : rows)
        result << row.name;
    return result;
}

QByteArray release(const QString& tag)
{
    return QJsonDocument(QJsonObject { { QStringLiteral("tag_name"), tag },
                             { QStringLiteral("name"), QString(QStringLiteral("Release ") + tag) } })
        .toJson();
}

const QString ytdlpAPI = QStringLiteral("/repos/yt-dlp/yt-dlp/releases/latest");
const QString denoAPI = QStringLiteral("/repos/denoland/deno/releases/latest");

} // namespace

// Start-up check, repair, update check and diagnostics against a local mirror
// of real tools. The tools installed by the first test stay for the others.
class TestToolMaintenance : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<ToolMirror> m_mirror;

    int downloads() const
    {
        QSet<QString> paths; // ffmpeg and ffprobe come from the same archive
        for (Tool tool : installableTools())
            paths.insert(ToolMirror::path(tool));
        int count = 0;
        for (const QString& path : paths)
            count += m_server->requestCount(path);
        return count;
    }

private slots:
    void initTestCase()
    {
        qputenv("TMPDIR", QFile::encodeName(m_scratch.path()));
        m_server = std::make_unique<TestHttpServer>();
        qputenv("KLIPWELL_TOOL_MIRROR", m_server->origin().toUtf8());
        m_mirror = std::make_unique<ToolMirror>(*m_server, m_scratch.filePath(QStringLiteral("mirror")));
        if (!m_mirror->serveDeno())
            QSKIP("No Deno in the test assets; scripts/test installs it.");
        m_mirror->serveYtdlp();
        m_mirror->serveFFmpegWithBinFolder();
        m_mirror->publishChecksums();
        SettingsStore::registerDefaults();
    }

    void firstLaunchInstallsEverythingOnce()
    {
        DependencyManager manager;
        QStringList texts;
        connect(&manager, &DependencyManager::currentChanged, this, [&] { texts << manager.current(); });
        QList<ComponentStatus> ffmpegSteps;
        connect(&manager, &DependencyManager::statesChanged, this, [&] {
            const ComponentStatus status = manager.state(Tool::ffmpeg).status;
            if (ffmpegSteps.isEmpty() || ffmpegSteps.last() != status)
                ffmpegSteps.append(status);
        });

        auto first = manager.bootstrap();
        QVERIFY(manager.busy());
        auto second = manager.bootstrap(); // refused while the first runs
        QCoro::waitFor(std::move(second));
        QVERIFY(manager.busy());
        QCoro::waitFor(std::move(first));

        QCOMPARE(texts,
            QStringList({ "Checking installed tools…", "Installing yt-dlp (1/4)", "Installing FFmpeg (2/4)",
                "Installing ffprobe (3/4)", "Installing Deno (4/4)", "Running smoke tests…",
                "All tools ready" }));
        QCOMPARE(downloads(), 3); // the archive ffmpeg and ffprobe share, once
        QCOMPARE(manager.phase(), Phase::ready);
        QVERIFY(!manager.busy());
        QCOMPARE(ffmpegSteps,
            QList<ComponentStatus>({ ComponentStatuses::Unknown {}, Working { "Downloading…" },
                Working { "Downloading 127.0.0.1…" }, Working { "Extracting…" }, Working { "Validating…" },
                ComponentStatuses::Installed {} }));
        const QMap<Tool, QString> versions { { Tool::ytdlp, "^\\d{4}\\.\\d\\d\\.\\d\\d$" },
            { Tool::ffmpeg, "^5\\.1\\." }, { Tool::ffprobe, "^5\\.1\\." },
            { Tool::deno, "^\\d+\\.\\d+\\.\\d+$" } };
        const QMap<QString, ManifestEntry> manifest = ToolManifest::load(ToolManifest::path());
        for (auto it = versions.begin(); it != versions.end(); ++it) {
            const ComponentState state = manager.state(it.key());
            QCOMPARE(state.status, ComponentStatus(ComponentStatuses::Installed {}));
            QVERIFY2(state.version && state.version->contains(QRegularExpression(it.value())),
                qPrintable(state.version.value_or("none")));
            QCOMPARE(QFileInfo(toolPath(it.key())).permissions() & 0x7777, QFileDevice::Permissions(0x7755));
            const ManifestEntry entry = manifest.value(rawValue(it.key()));
            QCOMPARE(entry.version, *state.version);
            QCOMPARE(entry.source, ToolSources::spec(it.key())->urls.first().toString(QUrl::FullyEncoded));
            QVERIFY(entry.verified);
            QVERIFY(qAbs(entry.installedAt.secsTo(QDateTime::currentDateTimeUtc())) < 600);
        }
        QCOMPARE(DependencyManager().manifest(), manifest); // read back at the next start
        QCOMPARE(QDir(m_scratch.path()).entryList({ "kw-*" }, QDir::AllEntries), QStringList());
        QCOMPARE(manager.overall(), 1.0);
        QCOMPARE(manager.state(Tool::ejs),
            (ComponentState { ComponentStatuses::Installed {}, 1.0, QStringLiteral("ready"), std::nullopt }));
        QCOMPARE(manager.ejsDetail(), "Fetched on demand from GitHub by yt-dlp (remote components enabled)");
        QVERIFY(TestSupport::appLog().contains("] Dependency verification: ready=true\n"));
    }

    void withoutRemoteComponentsTheChallengeSolverIsMissing()
    {
        SettingsStore::set(QStringLiteral("remoteEJS"), false);
        DependencyManager manager;
        run(manager.bootstrap());
        SettingsStore::remove(QStringLiteral("remoteEJS"));

        QCOMPARE(downloads(), 3); // everything was there already
        QCOMPARE(manager.phase(), Phase::failed);
        QCOMPARE(manager.current(), QStringLiteral("Some tools need attention"));
        const QString message = QStringLiteral("Not found. Enable remote components in Settings › Tools.");
        QCOMPARE(manager.state(Tool::ejs).status, ComponentStatus(ComponentStatuses::Failed { message }));
        QCOMPARE(manager.state(Tool::ytdlp).status, ComponentStatus(ComponentStatuses::Installed {}));
        QCOMPARE(manager.overall(), 1.0); // the failed row still counts its full progress
    }

    void repairDownloadsEveryToolAgain()
    {
        DependencyManager manager;
        run(manager.bootstrap());
        QCOMPARE(manager.phase(), Phase::ready);
        const int before = downloads();
        QList<Phase> phases;
        connect(&manager, &DependencyManager::phaseChanged, this, [&] { phases << manager.phase(); });

        run(manager.repair());

        QCOMPARE(downloads(), before + 3); // the shared FFmpeg archive once
        QCOMPARE(phases, QList<Phase>({ Phase::installing, Phase::checking, Phase::ready }));
        QVERIFY(!manager.busy());
    }

    void updateCheck_data()
    {
        QTest::addColumn<QString>("ytdlpTag"); // empty: endpoint unreachable
        QTest::addColumn<QString>("denoTag");
        QTest::addColumn<bool>("probeFirst"); // versions known before the check
        QTest::addColumn<int>("reinstalled");
        QTest::newRow("same versions, Deno tag with a leading v") << "="
                                                                  << "v=" << true << 0;
        QTest::newRow("newer yt-dlp") << "2099.01.01"
                                      << "v=" << true << 1;
        QTest::newRow("both newer") << "2099.01.01"
                                    << "v9.0.0" << true << 2;
        QTest::newRow("unreachable endpoints") << ""
                                               << "" << true << 0;
        QTest::newRow("no known versions") << "2099.01.01"
                                           << "v9.0.0" << false << 0;
    }

    void updateCheck()
    {
        QFETCH(QString, ytdlpTag);
        QFETCH(QString, denoTag);
        QFETCH(bool, probeFirst);
        QFETCH(int, reinstalled);

        DependencyManager manager;
        if (probeFirst)
            run(manager.bootstrap());
        const std::optional<QString> ytdlpVersion = manager.state(Tool::ytdlp).version;
        const std::optional<QString> denoVersion = manager.state(Tool::deno).version;
        ytdlpTag.replace("=", ytdlpVersion.value_or(QString()));
        denoTag.replace("=", denoVersion.value_or(QString()));
        if (ytdlpTag.isEmpty())
            m_server->serveStatus(ytdlpAPI, 404);
        else
            m_server->serveData(ytdlpAPI, release(ytdlpTag), "application/json");
        if (denoTag.isEmpty())
            m_server->serveData(denoAPI, "<html>busy</html>", "text/html");
        else
            m_server->serveData(denoAPI, release(denoTag), "application/json");
        SettingsStore::remove(QStringLiteral("lastUpdateCheck"));
        const int before = downloads();
        QList<Phase> phases;
        connect(&manager, &DependencyManager::phaseChanged, this, [&] { phases << manager.phase(); });

        run(manager.updateTools());

        QCOMPARE(downloads(), before + reinstalled);
        QVERIFY(!phases.contains(Phase::installing));
        // Without the start-up check nothing counts as installed.
        QCOMPARE(manager.phase(), probeFirst ? Phase::ready : Phase::failed);
        QVERIFY(SettingsStore::date(QStringLiteral("lastUpdateCheck")).has_value());
        QCOMPARE(manager.state(Tool::ytdlp).version, ytdlpVersion.has_value() ? ytdlpVersion : std::nullopt);
        // A re-installed tool clears its newest tag; the others keep what the check found.
        const auto latest = [&](const QString& tag, bool outdated) {
            return tag.isEmpty() || outdated ? std::nullopt : std::optional(tag);
        };
        QCOMPARE(manager.state(Tool::ytdlp).latest, latest(ytdlpTag, reinstalled >= 1));
        QCOMPARE(manager.state(Tool::deno).latest, latest(denoTag, reinstalled == 2));
    }

    void automaticCheckAfterADay_data()
    {
        QTest::addColumn<int>("hoursAgo");
        QTest::addColumn<bool>("checked");
        QTest::newRow("23 hours") << 23 << false;
        QTest::newRow("25 hours") << 25 << true;
        QTest::newRow("never") << -1 << true;
    }

    void automaticCheckAfterADay()
    {
        QFETCH(int, hoursAgo);
        QFETCH(bool, checked);
        DependencyManager manager;
        run(manager.bootstrap());
        QCOMPARE(manager.phase(), Phase::ready);
        m_server->serveData(ytdlpAPI, release(*manager.state(Tool::ytdlp).version), "application/json");
        m_server->serveData(denoAPI, release("v" + *manager.state(Tool::deno).version), "application/json");
        const QDateTime last = QDateTime::currentDateTimeUtc().addSecs(-hoursAgo * 3600);
        if (hoursAgo < 0)
            SettingsStore::remove(QStringLiteral("lastUpdateCheck"));
        else
            SettingsStore::set(QStringLiteral("lastUpdateCheck"), last);
        const int requests = m_server->requestCount(ytdlpAPI);
        const QDateTime started = QDateTime::currentDateTimeUtc().addSecs(-2);

        run(manager.autoUpdateIfDue());

        QCOMPARE(m_server->requestCount(ytdlpAPI), requests + (checked ? 1 : 0));
        QCOMPARE(manager.state(Tool::ytdlp).latest.has_value(), checked);
        QCOMPARE(
            SettingsStore::date(QStringLiteral("lastUpdateCheck")).value_or(QDateTime()) > started, checked);
    }

    void releaseThatFailsItsSelfTestIsKeptOutForADay_data()
    {
        QTest::addColumn<QByteArray>("served");
        QTest::newRow("smoke test fails") << QByteArray("#!/bin/sh\necho 2099.09.01\n");
        QTest::newRow("version probe fails") << QByteArray("#!/bin/sh\nexit 1\n");
    }

    void releaseThatFailsItsSelfTestIsKeptOutForADay()
    {
        QFETCH(QByteArray, served);
        DependencyManager manager;
        run(manager.bootstrap());
        const QString kept = *manager.state(Tool::ytdlp).version;
        m_server->serveData(ytdlpAPI, release("2099.09.01"), "application/json");
        m_server->serveData(denoAPI, release("v" + *manager.state(Tool::deno).version), "application/json");
        const QString asset = ToolMirror::path(Tool::ytdlp);
        m_server->serveData(asset, served);
        m_mirror->withdrawChecksums();
        const int downloadsBefore = m_server->requestCount(asset);

        run(manager.updateTools());

        const QString sentence = "yt-dlp 2099.09.01 failed its self-test, so " + kept + " was kept.";
        QCOMPARE(manager.state(Tool::ytdlp),
            (ComponentState { ComponentStatuses::Installed {}, 1.0, kept, std::nullopt, sentence }));
        QCOMPARE(manager.phase(), Phase::ready);
        QCOMPARE(ToolManifest::load(ToolManifest::path()).value("yt-dlp").version, kept);
        QCOMPARE(TestSupport::readFile(toolPath(Tool::ytdlp)), TestSupport::readFile("/usr/bin/yt-dlp"));
        QVERIFY(TestSupport::appLog().contains("] " + sentence + "\n"));

        // Also after a restart, automatic checks pass over that release for a day; asking does not.
        SettingsStore::remove(QStringLiteral("lastUpdateCheck"));
        DependencyManager later;
        run(later.bootstrap());
        run(later.autoUpdateIfDue());
        QCOMPARE(m_server->requestCount(asset), downloadsBefore + 1);
        run(later.updateTools());
        QCOMPARE(m_server->requestCount(asset), downloadsBefore + 2);

        m_mirror->serveYtdlp();
        m_mirror->publishChecksums();
    }

    void diagnosticsWithAndWithoutYtdlp()
    {
        DependencyManager manager;
        QSignalSpy running(&manager, &DependencyManager::runningDiagnosticsChanged);
        run(manager.runDiagnostics());
        QCOMPARE(running.count(), 2);
        QVERIFY(!manager.runningDiagnostics());
        QList<DiagnosticItem> rows = manager.diagnostics();
        QCOMPARE(names(rows),
            QStringList({ "Linux", "Architecture", "yt-dlp", "FFmpeg", "ffprobe", "Deno", "yt-dlp-ejs",
                "yt-dlp smoke test", "FFmpeg smoke test", "Deno smoke test", "Free disk space" }));
        for (qsizetype i = 0; i < rows.size() - 1; ++i)
            QVERIFY2(rows.at(i).ok, qPrintable(rows.at(i).name + ": " + rows.at(i).detail));
        QCOMPARE(rows.at(3).detail,
            *manager.state(Tool::ffmpeg).version + " — " + toolPath(Tool::ffmpeg) + " · verified");
        QCOMPARE(rows.at(9).detail, QStringLiteral("Evaluated JS"));
        QVERIFY(rows.last().detail.contains(QRegularExpression("^\\d+(\\.\\d+)? (bytes|KB|MB|GB|TB|PB)$")));
        QCOMPARE(manager.report().split('\n', Qt::SkipEmptyParts).size(), rows.size() + 2);

        QVERIFY(QFile::remove(toolPath(Tool::ytdlp)));
        const QUuid firstId = rows.first().id;
        run(manager.runDiagnostics());
        rows = manager.diagnostics();
        QVERIFY(rows.first().id != firstId);
        QCOMPARE(names(rows),
            QStringList({ "Linux", "Architecture", "yt-dlp", "FFmpeg", "ffprobe", "Deno", "yt-dlp-ejs",
                "Free disk space" }));
        QCOMPARE(rows.at(2).detail, "Missing or not working — " + toolPath(Tool::ytdlp));
        QCOMPARE(rows.at(6).detail, QStringLiteral("yt-dlp not installed"));
    }
};

QTEST_GUILESS_MAIN(TestToolMaintenance)
#include "tst_toolmaintenance.moc"
