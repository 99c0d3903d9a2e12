#include "AppState.h"

#include "CancelToken.h"
#include "DependencyManager.h"
#include "DownloadManager.h"
#include "FormatManager.h"
#include "HistoryStore.h"
#include "InstanceChannel.h"
#include "LinkRules.h"
#include "LogManager.h"
#include "NotificationManager.h"
#include "ObservableField.h"
#include "PlaylistManager.h"
#include "SettingsStore.h"
#include "StartupRecord.h"
#include "YTDLPManager.h"

#include <QDir>
#include <QPointer>
#include <QTimer>

namespace {

Pasteboard* sharedPasteboard = nullptr;

// A clipboard that is always empty, for a core used without a display.
class EmptyPasteboard : public Pasteboard {
public:
    int changeCount() const override { return 0; }
    std::optional<QString> string() const override { return std::nullopt; }
};

QString absoluteString(const QUrl& url)
{
    return url.toString(QUrl::FullyEncoded);
}

// The value of the first "url" item of a query, decoded; nothing when there
// is no such item or it has no value ("url" without "=").
std::optional<QString> urlQueryItem(const QUrl& url)
{
    if (!url.hasQuery())
        return std::nullopt;
    const QString query = url.query(QUrl::FullyEncoded);
    for (const QString& item : query.split(QLatin1Char('&'))) {
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        const QString name = QUrl::fromPercentEncoding(item.left(equals).toUtf8());
        if (name != QStringLiteral("url"))
            continue;
        if (equals < 0)
            return std::nullopt;
        return QUrl::fromPercentEncoding(item.mid(equals + 1).toUtf8());
    }
    return std::nullopt;
}

} // namespace

void AppState::usePasteboard(Pasteboard* pasteboard)
{
    sharedPasteboard = pasteboard;
}

AppState& AppState::shared()
{
    static EmptyPasteboard emptyPasteboard;
    static AppState* instance = new AppState(sharedPasteboard ? sharedPasteboard : &emptyPasteboard);
    return *instance;
}

AppState::AppState(Pasteboard* pasteboard, QObject* parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_deps(new DependencyManager(this))
{
    m_pasteCount = m_pasteboard->changeCount();
    SettingsStore::registerDefaults();
    m_history = new HistoryStore(this);
    m_downloads = new DownloadManager(m_history, this);
    // A download that fails the way an outdated yt-dlp does asks for one update.
    m_downloads->setYtdlpUpdater([this] { return m_deps->updateAfterFailedDownload(); });
    const std::optional<Preset> stored
        = presetFromRawValue(SettingsStore::string(QStringLiteral("defaultPreset")).value_or(QString()));
    m_preset = stored && *stored != Preset::custom ? *stored : Preset::best;
    NotificationManager::shared().requestAuth();

    m_clipTimer = new QTimer(this);
    m_clipTimer->setInterval(clipboardIntervalMs);
    connect(m_clipTimer, &QTimer::timeout, this, &AppState::checkClipboard);
    m_clipTimer->start();
}

AppState::~AppState() = default;

void AppState::setSelection(SidebarItem selection)
{
    assignObservable(this, m_selection, selection, &AppState::selectionChanged);
}

void AppState::setSetupDone(bool done)
{
    assignObservable(this, m_setupDone, done, &AppState::setupDoneChanged);
    updateCanDownload();
}

void AppState::setUrlText(const QString& text)
{
    assignObservable(this, m_urlText, text, &AppState::urlTextChanged);
    updateCanDownload();
}

void AppState::setFetchState(const FetchState& state)
{
    assignObservable(this, m_fetchState, state, &AppState::fetchStateChanged);
    updateCanDownload();
}

void AppState::setInfo(const std::optional<MediaInfo>& info)
{
    assignObservable(this, m_info, info, &AppState::infoChanged);
}

void AppState::setPreset(Preset preset)
{
    assignObservable(this, m_preset, preset, &AppState::presetChanged);
}

void AppState::setVideoFormatID(const QString& id)
{
    assignObservable(this, m_videoFormatID, id, &AppState::videoFormatIDChanged);
}

void AppState::setAudioFormatID(const QString& id)
{
    assignObservable(this, m_audioFormatID, id, &AppState::audioFormatIDChanged);
}

void AppState::setSelectedItems(const QSet<int>& items)
{
    assignObservable(this, m_selectedItems, items, &AppState::selectedItemsChanged);
}

void AppState::setToast(const std::optional<QString>& toast)
{
    assignObservable(this, m_toast, toast, &AppState::toastChanged);
}

void AppState::updateCanDownload()
{
    const bool can = canDownload();
    if (m_canDownload == can)
        return;
    m_canDownload = can;
    emit canDownloadChanged();
}

bool AppState::canDownload() const
{
    return m_setupDone && validWebURL(m_urlText).has_value()
        && !std::holds_alternative<FetchStates::Loading>(m_fetchState);
}

void AppState::startQueueIfReady()
{
    if (m_deps->phase() != Phase::ready)
        return;
    m_downloads->setStarted(true);
    m_downloads->pump();
}

QCoro::Task<bool> AppState::setUp()
{
    QPointer<AppState> self(this);
    auto bootstrap = m_deps->bootstrap();
    co_await std::move(bootstrap);
    if (!self)
        co_return false;
    setSetupDone(m_deps->phase() == Phase::ready);
    if (m_setupDone)
        startQueueIfReady();
    co_return m_setupDone;
}

QCoro::Task<> AppState::launch()
{
    QPointer<AppState> self(this);
    // The tools are the files the last successful check saw: work can start
    // at once while the full check runs behind the working screens.
    const bool warm = StartupRecord::stillHolds();
    if (warm) {
        setSetupDone(true);
        m_downloads->setStarted(true);
    }
    auto setup = setUp();
    const bool ready = co_await std::move(setup);
    if (!self)
        co_return;
    if (warm && !ready)
        LogManager::shared().append(
            QStringLiteral("The start-up check behind the working screens found a problem; showing the set-up screen."),
            LogManager::shared().appLogPath());
    if (ready)
        m_deps->autoUpdateIfDue(); // runs on by itself; nobody waits for it
}

QCoro::Task<> AppState::retrySetup()
{
    auto setup = setUp();
    co_await std::move(setup);
}

QCoro::Task<> AppState::repairTools()
{
    QPointer<AppState> self(this);
    auto repair = m_deps->repair();
    co_await std::move(repair);
    if (!self || m_deps->phase() != Phase::ready)
        co_return;
    setSetupDone(true);
    startQueueIfReady();
}

void AppState::cancelFetch()
{
    ++m_fetchGeneration;
    if (m_fetchCancel) {
        m_fetchCancel->cancel();
        m_fetchCancel.reset();
    }
}

void AppState::fetch()
{
    cancelFetch();
    const QString text = m_urlText.trimmed();
    if (text.isEmpty()) {
        setInfo(std::nullopt);
        setFetchState(FetchStates::Idle {});
        return;
    }
    if (!validWebURL(text)) {
        setInfo(std::nullopt);
        setFetchState(FetchStates::Failed { QStringLiteral("That doesn’t look like a valid web address.") });
        return;
    }
    if (!m_setupDone)
        return;
    setFetchState(FetchStates::Loading {});
    setInfo(std::nullopt);
    m_fetchCancel = std::make_unique<CancelToken>();
    runFetch(text, SettingsStore::networkSnapshot(), m_fetchGeneration);
}

QCoro::Task<> AppState::runFetch(QString text, NetworkOptions net, quint64 generation)
{
    QPointer<AppState> self(this);
    auto discovery
        = FormatManager::discover(text, net, FormatManager::discoveryTimeoutSeconds, m_fetchCancel.get());
    const auto result = co_await std::move(discovery);
    // A newer fetch, a reset or an enqueue superseded this one.
    if (!self || generation != m_fetchGeneration)
        co_return;
    if (const auto* failure = std::get_if<InfoError>(&result)) {
        setFetchState(FetchStates::Failed { failure->message });
        co_return;
    }
    const MediaInfo& info = std::get<MediaInfo>(result);
    setInfo(info);
    QSet<int> all;
    for (const PlaylistEntry& entry : info.entries)
        all.insert(entry.id);
    setSelectedItems(all);
    setVideoFormatID(QStringLiteral("auto"));
    setAudioFormatID(QStringLiteral("auto"));
    setFetchState(FetchStates::Loaded {});
}

void AppState::downloadPressed()
{
    if (m_info && std::holds_alternative<FetchStates::Loaded>(m_fetchState)) {
        enqueueCurrent();
        return;
    }
    if (const std::optional<QUrl> url = validWebURL(m_urlText)) {
        quickEnqueue(absoluteString(*url));
        setUrlText(QString());
        info_reset();
        setToast(QStringLiteral("Added to queue"));
        return;
    }
    setFetchState(FetchStates::Failed { QStringLiteral("Enter a valid http(s) link first.") });
}

void AppState::info_reset()
{
    setInfo(std::nullopt);
    setFetchState(FetchStates::Idle {});
    cancelFetch();
}

DownloadOptions AppState::baseOptions(const QString& url, const QString& title) const
{
    DownloadOptions options;
    options.url = url;
    options.title = title;
    options.audioFormat = QStringLiteral("mp3");
    options.container = QStringLiteral("mp4");
    options.folder = SettingsStore::string(QStringLiteral("downloadFolder")).value_or(QDir::homePath());
    options.outputTemplate = SettingsStore::string(QStringLiteral("outputTemplate"))
                                 .value_or(QStringLiteral("%(title)s [%(id)s].%(ext)s"));
    options.embedThumbnail = true;
    options.embedMetadata = true;
    options.subLangs = QStringLiteral("en.*");
    options.presetName = rawValue(Preset::best);
    return options;
}

void AppState::apply(const Selection& selection, Preset preset, DownloadOptions& options) const
{
    options.formatSelector = selection.format;
    options.formatSort = selection.sort;
    options.audioOnly = selection.audioOnly;
    options.audioFormat
        = SettingsStore::string(QStringLiteral("audioFormat")).value_or(QStringLiteral("mp3"));
    options.container
        = SettingsStore::string(QStringLiteral("mergeContainer")).value_or(QStringLiteral("mp4"));
    options.embedThumbnail = SettingsStore::boolean(QStringLiteral("embedThumbnail"));
    options.embedMetadata = SettingsStore::boolean(QStringLiteral("embedMetadata"));
    options.subtitles = SettingsStore::boolean(QStringLiteral("writeSubs"));
    options.autoSubs = SettingsStore::boolean(QStringLiteral("autoSubs"));
    options.embedSubs = SettingsStore::boolean(QStringLiteral("embedSubs"));
    options.subLangs = SettingsStore::string(QStringLiteral("subLangs")).value_or(QStringLiteral("en.*"));
    options.network = SettingsStore::networkSnapshot();
    options.presetName = rawValue(preset);
}

void AppState::applyPlaylist(
    DownloadOptions& options, const std::optional<MediaInfo>& info, const QSet<int>& items) const
{
    options.isPlaylist = true;
    options.outputTemplate = YTDLPManager::playlistOutputTemplate(
        options.outputTemplate, SettingsStore::boolean(QStringLiteral("playlistNumbering")));
    if (info)
        options.playlistItems = PlaylistManager::itemsString(items, int(info->entries.size()));
}

void AppState::enqueueCurrent()
{
    if (!m_info)
        return;
    const MediaInfo info = *m_info;
    DownloadOptions options = baseOptions(m_urlText.trimmed(), info.title);
    options.uploader = info.uploader;
    if (info.thumbnail)
        options.thumbnail = absoluteString(*info.thumbnail);
    const Selection selection = FormatManager::selection(m_preset,
        SettingsStore::boolean(QStringLiteral("preferCompatible")), m_videoFormatID, m_audioFormatID);
    apply(selection, m_preset, options);
    if (info.isPlaylist) {
        if (m_selectedItems.isEmpty()) {
            setToast(QStringLiteral("Select at least one playlist item."));
            return;
        }
        applyPlaylist(options, info, m_selectedItems);
    }
    m_downloads->enqueue(options);
    setToast(QStringLiteral("Added to queue"));
    setUrlText(QString());
    info_reset();
}

void AppState::quickEnqueue(const QString& url)
{
    DownloadOptions options = baseOptions(url, QString());
    const Preset preset
        = presetFromRawValue(SettingsStore::string(QStringLiteral("defaultPreset")).value_or(QString()))
              .value_or(Preset::best);
    const Selection selection = FormatManager::selection(preset == Preset::custom ? Preset::best : preset,
        SettingsStore::boolean(QStringLiteral("preferCompatible")), QString(), QString());
    apply(selection, preset, options);
    const bool playlist = (url.contains(QStringLiteral("list=")) && !url.contains(QStringLiteral("v=")))
        || url.contains(QStringLiteral("/playlist"));
    if (playlist)
        applyPlaylist(options, std::nullopt, {});
    m_downloads->enqueue(options);
}

void AppState::receive(const QString& text)
{
    const QList<QUrl> urls = extractURLs(text);
    if (urls.size() >= 2) {
        for (const QUrl& url : urls)
            quickEnqueue(absoluteString(url));
        setSelection(SidebarItem::queue);
        return;
    }
    const std::optional<QUrl> candidate
        = urls.size() == 1 ? std::optional<QUrl>(urls.first()) : validWebURL(text);
    if (!candidate) {
        setToast(QStringLiteral("No valid link found."));
        return;
    }
    setSelection(SidebarItem::download);
    setUrlText(absoluteString(*candidate));
}

void AppState::receiveFromOtherProgram(const QString& text)
{
    const QList<QUrl> urls = extractURLs(text);
    if (urls.size() <= maxLinksFromOtherPrograms) {
        receive(text);
        return;
    }
    setSelection(SidebarItem::download);
    setUrlText(absoluteString(urls.first()));
    setToast(QStringLiteral("Too many links at once: only the first was kept and %1 were ignored.")
                 .arg(urls.size() - 1));
}

void AppState::checkClipboard()
{
    const int count = m_pasteboard->changeCount();
    if (count == m_pasteCount)
        return;
    // Consumed even while watching is off, so older content is never picked up later.
    m_pasteCount = count;
    if (!SettingsStore::boolean(QStringLiteral("clipboardMonitor")) || !m_setupDone)
        return;
    const std::optional<QString> text = m_pasteboard->string();
    if (!text)
        return;
    const std::optional<QUrl> url = validWebURL(*text);
    if (url && m_urlText.isEmpty())
        setUrlText(absoluteString(*url));
}

void AppState::openURL(const QUrl& url)
{
    if (url.scheme() == QStringLiteral("klipwell")) {
        if (const std::optional<QString> link = urlQueryItem(url)) {
            receiveFromOtherProgram(*link);
            return;
        }
    }
    receiveFromOtherProgram(absoluteString(url));
}

void AppState::receiveFromService(const QString& text)
{
    emit activationRequested();
    receiveFromOtherProgram(text);
}

void AppState::receiveArgument(const QString& argument)
{
    if (argument.startsWith(QStringLiteral("klipwell:")))
        openURL(QUrl(argument));
    else
        receiveFromService(argument);
}

void AppState::listenTo(InstanceChannel* channel)
{
    connect(channel, &InstanceChannel::argumentsReceived, this, [this](const QStringList& arguments) {
        for (const QString& argument : arguments)
            receiveArgument(argument);
    });
}
