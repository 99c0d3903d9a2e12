#pragma once

#include "FetchState.h"
#include "MediaInfo.h"
#include "Pasteboard.h"
#include "Preset.h"
#include "SidebarItem.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <qcorotask.h>

#include <memory>
#include <optional>

class CancelToken;
class DependencyManager;
class DownloadManager;
class HistoryStore;
class InstanceChannel;
class QTimer;
struct DownloadOptions;
struct NetworkOptions;
struct Selection;

// The one object behind the main window: owns the tool manager, the history
// and the download queue, holds what the user is doing on the Download screen
// and turns it into queued downloads. Confined to the main thread.
class AppState : public QObject {
    Q_OBJECT
    Q_PROPERTY(SidebarItem selection READ selection WRITE setSelection NOTIFY selectionChanged)
    Q_PROPERTY(bool setupDone READ setupDone NOTIFY setupDoneChanged)
    Q_PROPERTY(QString urlText READ urlText WRITE setUrlText NOTIFY urlTextChanged)
    Q_PROPERTY(FetchState fetchState READ fetchState NOTIFY fetchStateChanged)
    Q_PROPERTY(std::optional<MediaInfo> info READ info NOTIFY infoChanged)
    Q_PROPERTY(Preset preset READ preset WRITE setPreset NOTIFY presetChanged)
    Q_PROPERTY(QString videoFormatID READ videoFormatID WRITE setVideoFormatID NOTIFY videoFormatIDChanged)
    Q_PROPERTY(QString audioFormatID READ audioFormatID WRITE setAudioFormatID NOTIFY audioFormatIDChanged)
    Q_PROPERTY(QSet<int> selectedItems READ selectedItems WRITE setSelectedItems NOTIFY selectedItemsChanged)
    Q_PROPERTY(std::optional<QString> toast READ toast WRITE setToast NOTIFY toastChanged)
    Q_PROPERTY(bool canDownload READ canDownload NOTIFY canDownloadChanged)

public:
    // Text from other programs (hand-off channel, URL scheme, service) never
    // queues more than this many downloads in one call.
    static constexpr int maxLinksFromOtherPrograms = 50;
    static constexpr int clipboardIntervalMs = 1200;

    // Before the first shared(); without it the clipboard is always empty.
    static void usePasteboard(Pasteboard*);
    // Created on first use: the start-up sequence.
    static AppState& shared();

    // The start-up sequence; tests create their own instances.
    explicit AppState(Pasteboard* pasteboard, QObject* parent = nullptr);
    ~AppState() override;

    Pasteboard* pasteboard() const { return m_pasteboard; }
    DependencyManager* deps() const { return m_deps; }
    HistoryStore* history() const { return m_history; }
    DownloadManager* downloads() const { return m_downloads; }

    SidebarItem selection() const { return m_selection; }
    void setSelection(SidebarItem);
    bool setupDone() const { return m_setupDone; }
    QString urlText() const { return m_urlText; }
    void setUrlText(const QString&);
    FetchState fetchState() const { return m_fetchState; }
    std::optional<MediaInfo> info() const { return m_info; }
    Preset preset() const { return m_preset; }
    void setPreset(Preset);
    QString videoFormatID() const { return m_videoFormatID; }
    void setVideoFormatID(const QString&);
    QString audioFormatID() const { return m_audioFormatID; }
    void setAudioFormatID(const QString&);
    QSet<int> selectedItems() const { return m_selectedItems; }
    void setSelectedItems(const QSet<int>&);
    std::optional<QString> toast() const { return m_toast; }
    void setToast(const std::optional<QString>&);

    QCoro::Task<> launch();
    QCoro::Task<> retrySetup();
    QCoro::Task<> repairTools();

    void fetch();
    bool canDownload() const;
    void downloadPressed();
    void enqueueCurrent();
    void quickEnqueue(const QString& url);
    void info_reset();

    void receive(const QString& text);
    void checkClipboard();
    // The open-URL handler.
    void openURL(const QUrl&);
    // The service handler: text handed over by another program.
    void receiveFromService(const QString&);
    // One argument of `klipwell ARG…` handed over by a second instance: a
    // "klipwell:" link goes to the open-URL handler, anything else to the
    // service handler.
    void receiveArgument(const QString&);
    // Takes every argument other instances hand over through the channel.
    void listenTo(InstanceChannel*);

signals:
    void selectionChanged();
    void setupDoneChanged();
    void urlTextChanged();
    void fetchStateChanged();
    void infoChanged();
    void presetChanged();
    void videoFormatIDChanged();
    void audioFormatIDChanged();
    void selectedItemsChanged();
    void toastChanged();
    void canDownloadChanged();
    // Another program handed over text: the window should come to the front.
    void activationRequested();

private:
    void setSetupDone(bool);
    void setFetchState(const FetchState&);
    void setInfo(const std::optional<MediaInfo>&);
    void updateCanDownload();
    void startQueueIfReady();
    // Checks the tools and, when they are ready, opens the queue; true when ready.
    QCoro::Task<bool> setUp();
    void cancelFetch();
    QCoro::Task<> runFetch(QString text, NetworkOptions net, quint64 generation);
    void receiveFromOtherProgram(const QString& text);

    DownloadOptions baseOptions(const QString& url, const QString& title) const;
    void apply(const Selection&, Preset, DownloadOptions&) const;
    void applyPlaylist(DownloadOptions&, const std::optional<MediaInfo>&, const QSet<int>& items) const;

    Pasteboard* m_pasteboard;
    DependencyManager* m_deps;
    HistoryStore* m_history = nullptr;
    DownloadManager* m_downloads = nullptr;
    QTimer* m_clipTimer = nullptr;

    SidebarItem m_selection = SidebarItem::download;
    bool m_setupDone = false;
    QString m_urlText;
    FetchState m_fetchState = FetchStates::Idle {};
    std::optional<MediaInfo> m_info;
    Preset m_preset = Preset::best;
    QString m_videoFormatID = QStringLiteral("auto");
    QString m_audioFormatID = QStringLiteral("auto");
    QSet<int> m_selectedItems;
    std::optional<QString> m_toast;
    bool m_canDownload = false;
    quint64 m_fetchGeneration = 0;
    std::unique_ptr<CancelToken> m_fetchCancel; // stops the yt-dlp run of the fetch in flight
    int m_pasteCount = 0;
};
