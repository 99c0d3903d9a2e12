#include "DependencyManager.h"

#include "ArchiveExtractor.h"
#include "FileDownloader.h"
#include "LogManager.h"
#include "ProcessRunner.h"
#include "ToolManifest.h"
#include "ToolSources.h"
#include "VersionProbe.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QUuid>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_MACOS
#include <sys/xattr.h>
#endif

namespace {

constexpr double probeTimeoutSeconds = 60;

const QFileDevice::Permissions executableMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
    | QFileDevice::ExeOther;

QString newWorkDirectory()
{
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("kw-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}

// The shallowest regular file called name below root. Links are passed over:
// a link could lead out of the unpacked tree.
std::optional<QString> findInTree(const QString& root, const QString& name)
{
    std::optional<QString> best;
    QDirIterator it(
        root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.fileName() != name || info.isSymLink())
            continue;
        if (!best || path.count(QLatin1Char('/')) < best->count(QLatin1Char('/'))
            || (path.count(QLatin1Char('/')) == best->count(QLatin1Char('/')) && path < *best))
            best = path;
    }
    return best;
}

QString systemError(const QString& action, int error)
{
    return action + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}

// Puts the validated file at target in one step, so target is always either
// the old tool or the whole new one. The work folder may sit on another file
// system; then the file is first copied next to target.
std::optional<ToolError> moveIntoPlace(const QString& candidate, const QString& target)
{
    const QByteArray to = QFile::encodeName(target);
    if (std::rename(QFile::encodeName(candidate).constData(), to.constData()) == 0)
        return std::nullopt;
    if (errno != EXDEV)
        return ToolErrors::file(systemError(QStringLiteral("Could not move the tool into place"), errno));

    const QFileInfo targetInfo(target);
    const QString staging = targetInfo.dir().filePath(QLatin1Char('.') + targetInfo.fileName()
        + QStringLiteral(".kw-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    QFile source(candidate);
    if (!source.copy(staging)) {
        QFile::remove(staging);
        return ToolErrors::file(
            QStringLiteral("Could not copy the tool into place: ") + source.errorString());
    }
    QFile::setPermissions(staging, executableMode);
    if (std::rename(QFile::encodeName(staging).constData(), to.constData()) != 0) {
        const int error = errno;
        QFile::remove(staging);
        return ToolErrors::file(systemError(QStringLiteral("Could not move the tool into place"), error));
    }
    return std::nullopt;
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
        const bool wasInstalled = std::holds_alternative<ComponentStatuses::Installed>(state(tool).status);
        setStatus(tool, ComponentStatuses::Working { QStringLiteral("Downloading…") });
        setProgress(tool, 0);

        auto installing = installOne(*ToolSources::spec(tool));
        const std::variant<InstalledTool, ToolError> outcome = co_await std::move(installing);
        if (!self)
            co_return;
        if (const auto* installed = std::get_if<InstalledTool>(&outcome)) {
            setState(tool, { ComponentStatuses::Installed {}, 1.0, installed->version, std::nullopt });
            QDateTime now = QDateTime::currentDateTimeUtc();
            now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
            m_manifest.insert(name, { installed->version, now, installed->source });
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
        if (version)
            setState(tool, { ComponentStatuses::Installed {}, 1.0, version, std::nullopt });
        else
            setStatus(tool, ComponentStatuses::Failed { error.description });
    }
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
    QPointer<DependencyManager> self(this);
    ToolError lastError = ToolErrors::noSource();
    for (const QUrl& url : std::as_const(spec.urls)) {
        const QString workDir = newWorkDirectory();
        QDir().mkpath(workDir);
        auto attempt = installFrom(spec, url, workDir);
        const std::variant<QString, ToolError> outcome = co_await std::move(attempt);
        QDir(workDir).removeRecursively();
        const QString source = url.toString(QUrl::FullyEncoded);
        if (const auto* version = std::get_if<QString>(&outcome))
            co_return InstalledTool { *version, source };
        lastError = std::get<ToolError>(outcome);
        if (!self)
            break;
        log(QStringLiteral("Source ") + source + QStringLiteral(" failed: ") + lastError.description);
    }
    co_return lastError;
}

QCoro::Task<std::variant<QString, ToolError>> DependencyManager::installFrom(
    ToolSpec spec, QUrl url, QString workDir)
{
    QPointer<DependencyManager> self(this);
    const ToolError gone = ToolErrors::file(QStringLiteral("The tool manager was closed."));
    const Tool tool = spec.tool;
    const QString name = fileName(tool);
    const QString download = QDir(workDir).filePath(spec.isArchive ? QStringLiteral("download.zip") : name);

    setStatus(tool,
        ComponentStatuses::Working { QStringLiteral("Downloading ") + url.host() + QStringLiteral("…") });
    FileDownloader downloader(m_stallTimeout);
    auto onProgress = [self, tool](double fraction) {
        if (self)
            self->setProgress(tool, fraction * 0.9);
    };
    auto downloading = downloader.download(url, download, onProgress);
    const std::optional<ToolError> downloadError = co_await std::move(downloading);
    if (!self)
        co_return gone;
    if (downloadError)
        co_return *downloadError;

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
        const std::optional<QString> found = findInTree(unpacked, name);
        if (!found)
            co_return ToolErrors::notInArchive(tool);
        candidate = *found;
    }

    if (!QFile::setPermissions(candidate, executableMode))
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

    if (const std::optional<ToolError> moveError = moveIntoPlace(candidate, toolPath(tool)))
        co_return *moveError;
    co_return *version;
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
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged();
}

void DependencyManager::setCurrent(const QString& text)
{
    if (m_current == text)
        return;
    m_current = text;
    emit currentChanged();
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
