#include "DependencyManager.h"

#include "ArchiveExtractor.h"
#include "DenoManager.h"
#include "DiagnosticsReport.h"
#include "EJSManager.h"
#include "FFmpegManager.h"
#include "FileDownloader.h"
#include "Formatting.h"
#include "LogManager.h"
#include "ObservableField.h"
#include "ProcessRunner.h"
#include "PublishedChecksum.h"
#include "ReleaseTag.h"
#include "SettingsStore.h"
#include "StartupRecord.h"
#include "SystemInfo.h"
#include "ToolFiles.h"
#include "ToolManifest.h"
#include "ToolSources.h"
#include "VersionProbe.h"
#include "YTDLPManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStorageInfo>
#include <QUuid>

#include <QCoroNetworkReply>

#include <algorithm>
#include <cmath>
#include <vector>

#ifdef Q_OS_MACOS
#include <sys/xattr.h>
#endif

namespace {

constexpr double probeTimeoutSeconds = 60;
constexpr double smokeTimeoutSeconds = 90;
constexpr qint64 secondsPerDay = 86400;

// Why a working tool stayed in place: the new build did not pass its checks.
QString keptSentence(Tool tool, const std::optional<QString>& offered, const QString& kept)
{
    const QString subject = offered ? QString(rawValue(tool) + QLatin1Char(' ') + *offered)
                                    : QString(QStringLiteral("The new ") + rawValue(tool));
    return subject + QStringLiteral(" failed its self-test, so ") + kept + QStringLiteral(" was kept.");
}

QString rejectedTagKey(Tool tool)
{
    return QStringLiteral("rejectedUpdate.") + rawValue(tool);
}

QString rejectedAtKey(Tool tool)
{
    return QStringLiteral("rejectedUpdateAt.") + rawValue(tool);
}

// Whole seconds, as every date in the files.
QDateTime nowInSeconds()
{
    QDateTime now = QDateTime::currentDateTimeUtc();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return now;
}

} // namespace

DependencyManager::DependencyManager(QObject* parent)
    : QObject(parent)
    , m_current(QStringLiteral("Checking tools…"))
    , m_manifest(ToolManifest::load(ToolManifest::path()))
{
    for (Tool tool : allTools())
        m_states.insert(tool, ComponentState {});
}

void DependencyManager::saveManifest()
{
    ToolManifest::save(m_manifest, ToolManifest::path());
}

QCoro::Task<> DependencyManager::install(QList<Tool> tools, bool quietPhase)
{
    QPointer<DependencyManager> self(this);
    if (!quietPhase)
        setPhase(Phase::installing);
    tools.removeAll(Tool::ejs);
    const int count = int(tools.size());
    for (int i = 0; i < count; ++i) {
        const Tool tool = tools.at(i);
        const QString name = rawValue(tool);
        setCurrent(QStringLiteral("Installing %1 (%2/%3)").arg(name).arg(i + 1).arg(count));
        const bool wasInstalled = isInstalled(tool);
        const std::optional<QString> offered = state(tool).latest; // the release an update check found
        setStatus(tool, ComponentStatuses::Working { QStringLiteral("Downloading…") });
        setProgress(tool, 0);

        auto installing = installOne(*ToolSources::spec(tool), wasInstalled);
        const std::variant<InstalledTool, ToolError> outcome = co_await std::move(installing);
        if (!self)
            co_return;
        if (const auto* installed = std::get_if<InstalledTool>(&outcome)) {
            setState(tool, { ComponentStatuses::Installed {}, 1.0, installed->version, std::nullopt });
            m_manifest.insert(
                name, { installed->version, nowInSeconds(), installed->source, installed->verified });
            saveManifest();
            continue;
        }

        const ToolError& error = std::get<ToolError>(outcome);
        log(QStringLiteral("Install ") + name + QStringLiteral(" failed: ") + error.description);
        if (!wasInstalled) {
            setStatus(tool, ComponentStatuses::Failed { error.description });
            continue;
        }
        // A failed update: the tool that worked before is still in place.
        auto probing = validate(tool);
        const std::optional<QString> version = co_await std::move(probing);
        if (!self)
            co_return;
        if (!version) {
            setStatus(tool, ComponentStatuses::Failed { error.description });
            continue;
        }
        ComponentState kept { ComponentStatuses::Installed {}, 1.0, version, std::nullopt };
        if (ToolErrors::isSelfTestFailure(error)) {
            kept.notice = keptSentence(tool, offered, *version);
            log(*kept.notice);
            if (offered)
                rejectRelease(tool, *offered);
        } else if (ToolErrors::isChecksumMismatch(error)) {
            kept.notice = error.description;
        }
        setState(tool, kept);
    }
    m_archives.clear();
    m_archiveDir.reset();
    if (!quietPhase) {
        bool allInstalled = true;
        for (Tool tool : installableTools())
            allInstalled
                = allInstalled && std::holds_alternative<ComponentStatuses::Installed>(state(tool).status);
        setPhase(allInstalled ? Phase::checking : Phase::failed);
    }
}

QCoro::Task<std::variant<InstalledTool, ToolError>> DependencyManager::installOne(ToolSpec spec)
{
    return installOne(std::move(spec), false);
}

QCoro::Task<std::variant<InstalledTool, ToolError>> DependencyManager::installOne(
    ToolSpec spec, bool replacing)
{
    QPointer<DependencyManager> self(this);
    ToolError lastError = ToolErrors::noSource();
    for (const QUrl& url : std::as_const(spec.urls)) {
        const QString workDir = ToolFiles::newWorkDirectory();
        QDir().mkpath(workDir);
        auto attempt = installFrom(spec, url, workDir, replacing);
        const std::variant<InstalledTool, ToolError> outcome = co_await std::move(attempt);
        QDir(workDir).removeRecursively();
        const QString source = url.toString(QUrl::FullyEncoded);
        if (const auto* installed = std::get_if<InstalledTool>(&outcome))
            co_return *installed;
        lastError = std::get<ToolError>(outcome);
        if (!self)
            break;
        log(QStringLiteral("Source ") + source + QStringLiteral(" failed: ") + lastError.description);
    }
    co_return lastError;
}

QCoro::Task<std::variant<InstalledTool, ToolError>> DependencyManager::installFrom(
    ToolSpec spec, QUrl url, QString workDir, bool replacing)
{
    QPointer<DependencyManager> self(this);
    const ToolError gone = ToolErrors::file(QStringLiteral("The tool manager was closed."));
    const Tool tool = spec.tool;
    const QString name = fileName(tool);

    setStatus(tool,
        ComponentStatuses::Working { QStringLiteral("Downloading ") + url.host() + QStringLiteral("…") });
    auto fetching = spec.isArchive ? fetchArchive(tool, url) : fetch(tool, url, QDir(workDir).filePath(name));
    const std::variant<Fetched, ToolError> fetched = co_await std::move(fetching);
    if (!self)
        co_return gone;
    if (const auto* error = std::get_if<ToolError>(&fetched))
        co_return *error;
    const QString download = std::get<Fetched>(fetched).path;
    const bool verified = std::get<Fetched>(fetched).verified;

    QString candidate = download;
    if (spec.isArchive) {
        setStatus(tool, ComponentStatuses::Working { QStringLiteral("Extracting…") });
        const QString unpacked = QDir(workDir).filePath(QStringLiteral("x"));
        QDir().mkpath(unpacked);
        auto extracting = ArchiveExtractor::extractInBackground(download, unpacked);
        const std::optional<QString> extractError = co_await std::move(extracting);
        if (!self)
            co_return gone;
        if (extractError)
            co_return ToolErrors::extraction(*extractError);
        const std::optional<QString> found = ToolFiles::findExecutable(unpacked, name);
        if (!found)
            co_return ToolErrors::notInArchive(tool);
        candidate = *found;
    }

    if (!ToolFiles::makeExecutable(candidate))
        co_return ToolErrors::file(QStringLiteral("Could not make ") + name + QStringLiteral(" executable."));
#ifdef Q_OS_MACOS
    removexattr(QFile::encodeName(candidate).constData(), "com.apple.quarantine", 0);
#endif

    setStatus(tool, ComponentStatuses::Working { QStringLiteral("Validating…") });
    setProgress(tool, 0.95);
    auto validating = validate(tool, candidate);
    std::optional<QString> version = co_await std::move(validating);
    if (!self)
        co_return gone;
#ifdef Q_OS_MACOS
    if (!version) {
        // A download that fails its first probe may only lack a valid signature.
        const QStringList signArgs { QStringLiteral("--force"), QStringLiteral("-s"), QStringLiteral("-"),
            candidate };
        auto signing = ProcessRunner::run(QStringLiteral("/usr/bin/codesign"), signArgs, probeTimeoutSeconds);
        co_await std::move(signing);
        auto again = validate(tool, candidate);
        version = co_await std::move(again);
        if (!self)
            co_return gone;
    }
#endif
    if (!version)
        co_return ToolErrors::validation(tool);
    // The working yt-dlp stays in place until its successor proves it can run downloads.
    if (replacing && tool == Tool::ytdlp) {
        auto testing = YTDLPManager::smokeTest(candidate, smokeTimeoutSeconds);
        const CheckResult smoke = co_await std::move(testing);
        if (!self)
            co_return gone;
        if (!smoke.first)
            co_return ToolErrors::smokeTest(smoke.second);
    }

    if (const std::optional<ToolError> moveError = ToolFiles::moveIntoPlace(candidate, toolPath(tool)))
        co_return *moveError;
    if (!verified)
        log(QStringLiteral("no published checksum for ") + url.fileName()
            + QStringLiteral("; installed unverified"));
    co_return InstalledTool { *version, url.toString(QUrl::FullyEncoded), verified };
}

QCoro::Task<std::variant<DependencyManager::Fetched, ToolError>> DependencyManager::fetch(
    Tool tool, QUrl url, QString target)
{
    QPointer<DependencyManager> self(this);
    const ToolError gone = ToolErrors::file(QStringLiteral("The tool manager was closed."));
    auto checksumming = publishedChecksum(url);
    const std::optional<QByteArray> expected = co_await std::move(checksumming);
    if (!self)
        co_return gone;
    FileDownloader downloader(m_stallTimeout);
    downloader.setHashing(expected.has_value());
    auto onProgress = [self, tool](double fraction) {
        if (self)
            self->setProgress(tool, fraction * 0.9);
    };
    auto downloading = downloader.download(url, target, onProgress);
    const std::optional<ToolError> downloadError = co_await std::move(downloading);
    if (!self)
        co_return gone;
    if (downloadError)
        co_return *downloadError;
    // Nothing of a download that is not what its publisher released is unpacked, run or kept.
    if (expected && downloader.sha256() != *expected) {
        QFile::remove(target);
        co_return ToolErrors::checksumMismatch(tool);
    }
    co_return Fetched { target, expected.has_value() };
}

QCoro::Task<std::variant<DependencyManager::Fetched, ToolError>> DependencyManager::fetchArchive(Tool tool, QUrl url)
{
    const QString key = url.toString(QUrl::FullyEncoded);
    if (const auto earlier = m_archives.constFind(key); earlier != m_archives.cend()) {
        if (const auto* error = std::get_if<ToolError>(&*earlier))
            co_return ToolErrors::isChecksumMismatch(*error) ? ToolErrors::checksumMismatch(tool) : *error;
        setProgress(tool, 0.9);
        co_return *earlier;
    }
    if (!m_archiveDir)
        m_archiveDir = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("kw-archives-XXXXXX")));
    QPointer<DependencyManager> self(this);
    const QString target = m_archiveDir->filePath(QString::number(m_archives.size()) + QStringLiteral(".archive"));
    auto fetching = fetch(tool, url, target);
    std::variant<Fetched, ToolError> fetched = co_await std::move(fetching);
    if (self)
        m_archives.insert(key, fetched);
    co_return fetched;
}

QCoro::Task<std::optional<QByteArray>> DependencyManager::publishedChecksum(QUrl download)
{
    const std::optional<ChecksumSource> source = PublishedChecksum::locate(download);
    if (!source)
        co_return std::nullopt;
    QNetworkReply* reply = get(source->url);
    auto finished = qCoro(reply).waitForFinished();
    co_await std::move(finished);
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError)
        co_return std::nullopt;
    co_return PublishedChecksum::parse(source->kind, reply->readAll(), source->asset);
}

QNetworkReply* DependencyManager::get(const QUrl& url)
{
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Klipwell/1.0"));
    request.setTransferTimeout(15000);
    return m_network->get(request);
}

QCoro::Task<std::optional<QString>> DependencyManager::validate(Tool tool, std::optional<QString> path)
{
    const std::optional<ToolSpec> spec = ToolSources::spec(tool);
    if (!spec)
        co_return std::nullopt;
    const QString executable = path.value_or(toolPath(tool));
    const QFileInfo info(executable);
    if (!info.isFile() || !info.isExecutable())
        co_return std::nullopt;
    auto running = ProcessRunner::run(executable, spec->versionArgs, probeTimeoutSeconds);
    const RunResult result = co_await std::move(running);
    if (result.status != 0)
        co_return std::nullopt;
    co_return VersionProbe::parse(tool, result.stdOut);
}

void DependencyManager::setPhase(Phase phase)
{
    assignObservable(this, m_phase, phase, &DependencyManager::phaseChanged);
}

void DependencyManager::setCurrent(const QString& text)
{
    assignObservable(this, m_current, text, &DependencyManager::currentChanged);
}

void DependencyManager::setState(Tool tool, const ComponentState& state)
{
    if (m_states.value(tool) == state)
        return;
    m_states.insert(tool, state);
    emit statesChanged();
}

void DependencyManager::setStatus(Tool tool, const ComponentStatus& status)
{
    ComponentState next = state(tool);
    next.status = status;
    setState(tool, next);
}

void DependencyManager::setProgress(Tool tool, double progress)
{
    ComponentState next = state(tool);
    // Transfers report thousands of steps; the screen needs a few hundred at most.
    if (progress != 0 && progress < 0.9 && std::abs(progress - next.progress) < 0.002)
        return;
    next.progress = progress;
    setState(tool, next);
}

void DependencyManager::log(const QString& line) const
{
    LogManager::shared().append(line, LogManager::shared().appLogPath());
}

double DependencyManager::overall() const
{
    double sum = 0;
    for (Tool tool : allTools())
        sum += isInstalled(tool) ? 1.0 : state(tool).progress;
    return sum / 5.0;
}

QString DependencyManager::report() const
{
    return DiagnosticsReport::text(m_diagnostics, QDateTime::currentDateTimeUtc(), toolsDirectory());
}

QCoro::Task<> DependencyManager::bootstrap()
{
    if (m_busy)
        co_return;
    QPointer<DependencyManager> self(this);
    setBusy(true);
    setPhase(Phase::checking);
    setCurrent(QStringLiteral("Checking installed tools…"));
    QList<Tool> missing;
    const QList<Tool> tools = installableTools();
    // Every probe starts now and they run side by side; their results are
    // taken in the tools' order.
    std::vector<QCoro::Task<std::optional<QString>>> probes;
    for (Tool tool : tools)
        probes.push_back(validate(tool));
    for (size_t i = 0; i < probes.size(); ++i) {
        const Tool tool = tools.at(qsizetype(i));
        const std::optional<QString> version = co_await std::move(probes[i]);
        if (!self)
            co_return;
        if (version) {
            setState(tool, { ComponentStatuses::Installed {}, 1.0, version, std::nullopt });
        } else {
            setState(tool, ComponentState {});
            missing.append(tool);
        }
    }
    auto finishing = installAndVerify(missing, false);
    co_await std::move(finishing);
}

QCoro::Task<> DependencyManager::installAndVerify(QList<Tool> tools, bool quietPhase)
{
    QPointer<DependencyManager> self(this);
    if (!tools.isEmpty()) {
        auto installing = install(tools, quietPhase);
        co_await std::move(installing);
        if (!self)
            co_return;
    }
    auto verifying = finishVerification();
    co_await std::move(verifying);
    if (self)
        setBusy(false);
}

QCoro::Task<> DependencyManager::finishVerification()
{
    QPointer<DependencyManager> self(this);
    // The challenge-solver check and the smoke test run side by side.
    auto checking = EJSManager::status();
    auto testing = YTDLPManager::smokeTest();
    const CheckResult ejs = co_await std::move(checking);
    if (!self)
        co_return;
    setEjsDetail(ejs.second);
    if (ejs.first)
        setState(Tool::ejs, { ComponentStatuses::Installed {}, 1.0, QStringLiteral("ready"), std::nullopt });
    else
        setState(Tool::ejs, { ComponentStatuses::Failed { ejs.second }, 1.0, std::nullopt, std::nullopt });

    setCurrent(QStringLiteral("Running smoke tests…"));
    const CheckResult smoke = co_await std::move(testing);
    if (!self)
        co_return;
    if (!smoke.first)
        setStatus(
            Tool::ytdlp, ComponentStatuses::Failed { QStringLiteral("Smoke test failed: ") + smoke.second });

    const QList<Tool> tools = allTools();
    const bool ready = std::all_of(tools.begin(), tools.end(), [this](Tool t) { return isInstalled(t); });
    // The next start may open the working screens at once only after a
    // check that found everything ready.
    if (ready)
        StartupRecord::save();
    else
        StartupRecord::clear();
    setPhase(ready ? Phase::ready : Phase::failed);
    setCurrent(ready ? QStringLiteral("All tools ready") : QStringLiteral("Some tools need attention"));
    log(QStringLiteral("Dependency verification: ready=")
        + (ready ? QStringLiteral("true") : QStringLiteral("false")));
}

QCoro::Task<> DependencyManager::runDiagnostics()
{
    QPointer<DependencyManager> self(this);
    setRunningDiagnostics(true);
    QList<DiagnosticItem> rows;
    const auto row = [&rows](const QString& name, bool ok, const QString& detail) {
        rows.append({ QUuid::createUuid(), name, ok, detail });
    };
    row(SystemInfo::name(), true, SystemInfo::versionText());
    row(QStringLiteral("Architecture"), true, displayText(currentArchitecture()));

    for (Tool tool : installableTools()) {
        auto probing = validate(tool);
        const std::optional<QString> version = co_await std::move(probing);
        if (!self)
            co_return;
        if (version) {
            ComponentState next = state(tool);
            next.version = version;
            setState(tool, next);
            QString detail = *version + QStringLiteral(" — ") + toolPath(tool);
            if (const auto entry = m_manifest.constFind(rawValue(tool)); entry != m_manifest.cend())
                detail += entry->verified ? QStringLiteral(" · verified") : QStringLiteral(" · unverified");
            row(rawValue(tool), true, detail);
        } else {
            row(rawValue(tool), false, QStringLiteral("Missing or not working — ") + toolPath(tool));
        }
    }

    auto checking = EJSManager::status();
    const CheckResult ejs = co_await std::move(checking);
    if (!self)
        co_return;
    setEjsDetail(ejs.second);
    row(rawValue(Tool::ejs), ejs.first, ejs.second);

    if (QFileInfo::exists(toolPath(Tool::ytdlp))) {
        auto ytdlp = YTDLPManager::smokeTest();
        const CheckResult ytdlpResult = co_await std::move(ytdlp);
        row(QStringLiteral("yt-dlp smoke test"), ytdlpResult.first, ytdlpResult.second);
        auto ffmpeg = FFmpegManager::smokeTest();
        const CheckResult ffmpegResult = co_await std::move(ffmpeg);
        row(QStringLiteral("FFmpeg smoke test"), ffmpegResult.first, ffmpegResult.second);
        auto deno = DenoManager::smokeTest();
        const CheckResult denoResult = co_await std::move(deno);
        row(QStringLiteral("Deno smoke test"), denoResult.first, denoResult.second);
        if (!self)
            co_return;
    }

    const QStorageInfo volume(QDir::homePath());
    const qint64 free = volume.isValid() ? volume.bytesAvailable() : -1;
    if (free >= 0)
        row(QStringLiteral("Free disk space"), free > 1000000000,
            free < 1 ? QStringLiteral("—") : formatBytes(free));

    setDiagnostics(rows);
    setRunningDiagnostics(false);
}

QCoro::Task<> DependencyManager::repair()
{
    if (m_busy)
        co_return;
    setBusy(true);
    setPhase(Phase::installing);
    auto finishing = installAndVerify(installableTools(), false);
    co_await std::move(finishing);
}

QCoro::Task<std::optional<QString>> DependencyManager::latestTag(QUrl url)
{
    QNetworkReply* reply = get(url);
    auto finished = qCoro(reply).waitForFinished();
    co_await std::move(finished);
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError && reply->error() < QNetworkReply::ContentAccessDenied)
        co_return std::nullopt; // a transport failure; HTTP error bodies are still read
    const QJsonValue tag
        = QJsonDocument::fromJson(reply->readAll()).object().value(QStringLiteral("tag_name"));
    if (!tag.isString())
        co_return std::nullopt;
    co_return tag.toString();
}

QCoro::Task<> DependencyManager::updateTools()
{
    return runUpdate(false);
}

QCoro::Task<> DependencyManager::runUpdate(bool automatic)
{
    if (m_busy)
        co_return;
    QPointer<DependencyManager> self(this);
    setBusy(true);
    QList<Tool> outdated;
    const QList<std::pair<Tool, QUrl>> endpoints { { Tool::ytdlp, YTDLPManager::latestAPI() },
        { Tool::deno, DenoManager::latestAPI() } };
    for (const auto& [tool, endpoint] : endpoints) {
        auto asking = latestTag(endpoint);
        const std::optional<QString> tag = co_await std::move(asking);
        if (!self)
            co_return;
        if (!tag)
            continue;
        ComponentState next = state(tool);
        next.latest = tag;
        setState(tool, next);
        if (ReleaseTag::isNewer(*tag, next.version) && !(automatic && recentlyRejected(tool, *tag)))
            outdated.append(tool);
    }
    SettingsStore::set(QStringLiteral("lastUpdateCheck"), QDateTime::currentDateTimeUtc());
    auto finishing = installAndVerify(outdated, true);
    co_await std::move(finishing);
}

QCoro::Task<> DependencyManager::autoUpdateIfDue()
{
    if (!SettingsStore::boolean(QStringLiteral("autoUpdateTools")) || m_phase != Phase::ready)
        co_return;
    const std::optional<QDateTime> last = SettingsStore::date(QStringLiteral("lastUpdateCheck"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // A check dated in the future comes from a wrong clock and must not block updates for good.
    if (last && *last <= now && last->secsTo(now) < secondsPerDay)
        co_return;
    auto updating = runUpdate(true);
    co_await std::move(updating);
}

QCoro::Task<std::optional<QString>> DependencyManager::updateAfterFailedDownload()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (!SettingsStore::boolean(QStringLiteral("autoUpdateTools")) || m_busy)
        co_return std::nullopt;
    if (m_lastFailureCheck.isValid() && m_lastFailureCheck <= now && m_lastFailureCheck.secsTo(now) < 3600)
        co_return std::nullopt;
    m_lastFailureCheck = now;
    QPointer<DependencyManager> self(this);
    const std::optional<QString> before = state(Tool::ytdlp).version;
    auto updating = runUpdate(true);
    co_await std::move(updating);
    if (!self || !isInstalled(Tool::ytdlp))
        co_return std::nullopt;
    const std::optional<QString> after = state(Tool::ytdlp).version;
    co_return after != before ? after : std::nullopt;
}

void DependencyManager::rejectRelease(Tool tool, const QString& tag)
{
    SettingsStore::set(rejectedTagKey(tool), tag);
    SettingsStore::set(rejectedAtKey(tool), QDateTime::currentDateTimeUtc());
}

bool DependencyManager::recentlyRejected(Tool tool, const QString& tag) const
{
    const std::optional<QDateTime> at = SettingsStore::date(rejectedAtKey(tool));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    return SettingsStore::string(rejectedTagKey(tool)) == tag && at && *at <= now
        && at->secsTo(now) < secondsPerDay;
}

bool DependencyManager::isInstalled(Tool tool) const
{
    return std::holds_alternative<ComponentStatuses::Installed>(state(tool).status);
}

void DependencyManager::setBusy(bool busy)
{
    assignObservable(this, m_busy, busy, &DependencyManager::busyChanged);
}

void DependencyManager::setEjsDetail(const QString& detail)
{
    assignObservable(this, m_ejsDetail, detail, &DependencyManager::ejsDetailChanged);
}

void DependencyManager::setRunningDiagnostics(bool running)
{
    assignObservable(this, m_runningDiagnostics, running, &DependencyManager::runningDiagnosticsChanged);
}

void DependencyManager::setDiagnostics(const QList<DiagnosticItem>& rows)
{
    assignObservable(this, m_diagnostics, rows, &DependencyManager::diagnosticsChanged);
}
