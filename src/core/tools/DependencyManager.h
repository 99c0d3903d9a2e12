#pragma once

#include "ComponentState.h"
#include "DiagnosticItem.h"
#include "ManifestEntry.h"
#include "Phase.h"
#include "Tool.h"
#include "ToolError.h"
#include "ToolSpec.h"

#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QHash>
#include <QObject>
#include <QTemporaryDir>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>
#include <variant>

class QNetworkAccessManager;
class QNetworkReply;

using ComponentStates = QMap<Tool, ComponentState>;

// What installOne reports for the source that worked.
struct InstalledTool {
    QString version;
    QString source; // absolute URL
    bool verified = false; // matched its published checksum
    bool operator==(const InstalledTool&) const = default;
};

// Obtains, installs and checks the external tools in the private tools
// folder. Lives on the main thread; its fields are only touched there.
class DependencyManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(ComponentStates states READ states NOTIFY statesChanged)
    Q_PROPERTY(QString current READ current NOTIFY currentChanged)
    Q_PROPERTY(QList<DiagnosticItem> diagnostics READ diagnostics NOTIFY diagnosticsChanged)
    Q_PROPERTY(bool runningDiagnostics READ runningDiagnostics NOTIFY runningDiagnosticsChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(QString ejsDetail READ ejsDetail NOTIFY ejsDetailChanged)

public:
    // Loads the manifest of the tools folder.
    explicit DependencyManager(QObject* parent = nullptr);

    Phase phase() const { return m_phase; }
    ComponentStates states() const { return m_states; }
    ComponentState state(Tool tool) const { return m_states.value(tool); }
    QString current() const { return m_current; }
    QList<DiagnosticItem> diagnostics() const { return m_diagnostics; }
    bool runningDiagnostics() const { return m_runningDiagnostics; }
    bool busy() const { return m_busy; }
    QString ejsDetail() const { return m_ejsDetail; }
    QMap<QString, ManifestEntry> manifest() const { return m_manifest; }

    // Writes the manifest atomically; failures are ignored.
    void saveManifest();
    // Set-up progress: installed tools count whole, the others by their progress.
    double overall() const;
    // The last diagnostics as plain text for the clipboard.
    QString report() const;

    // The start-up check: probes every tool, installs the missing ones and
    // verifies. Does nothing while another check, repair or update runs.
    QCoro::Task<> bootstrap();
    // Challenge-solver check, yt-dlp smoke test and the final phase.
    QCoro::Task<> finishVerification();
    // Replaces the diagnostics with a fresh health report.
    QCoro::Task<> runDiagnostics();
    // Downloads every tool again, working or not, and verifies.
    QCoro::Task<> repair();
    // Re-installs yt-dlp and Deno when their newest release is newer, and verifies.
    QCoro::Task<> updateTools();
    // Runs updateTools when automatic updates are on, the tools are ready and
    // the last check is a day old.
    QCoro::Task<> autoUpdateIfDue();
    // "tag_name" of a release-metadata endpoint; none on any failure.
    QCoro::Task<std::optional<QString>> latestTag(QUrl url);

    // Installs the tools one after another (ejs is skipped). Never fails: each
    // tool ends installed or failed with its message. Unless quietPhase, it
    // drives phase (set-up and repair); a background update leaves it alone.
    QCoro::Task<> install(QList<Tool> tools, bool quietPhase);
    // Tries the sources in order; the first that downloads, unpacks and
    // validates replaces the tool in the tools folder. Fails with the error of
    // the last source.
    QCoro::Task<std::variant<InstalledTool, ToolError>> installOne(ToolSpec spec);
    // The self-healing update check after a download failed in a way that
    // usually means yt-dlp is out of date: with automatic updates on, not
    // busy, and at most once an hour, runs the automatic update check. Gives
    // the new yt-dlp version when it installed one.
    QCoro::Task<std::optional<QString>> updateAfterFailedDownload();
    // The version the executable at path (default: the tool's place in the
    // tools folder) reports, or none when it is missing or does not work.
    QCoro::Task<std::optional<QString>> validate(Tool tool, std::optional<QString> path = std::nullopt);

    // Tests shorten how long a download may go without progress.
    void setDownloadStallTimeout(std::chrono::milliseconds timeout) { m_stallTimeout = timeout; }

signals:
    void phaseChanged();
    void statesChanged();
    void currentChanged();
    void diagnosticsChanged();
    void runningDiagnosticsChanged();
    void busyChanged();
    void ejsDetailChanged();

private:
    // The end of every busy run (set-up, repair, update): installs the tools
    // (none: nothing), runs the final verification and clears busy.
    QCoro::Task<> installAndVerify(QList<Tool> tools, bool quietPhase);
    // updateTools; an automatic check passes over releases that failed their
    // self-test within the last day.
    QCoro::Task<> runUpdate(bool automatic);
    // replacing: a working tool is in place, which a new yt-dlp may only
    // replace after passing its smoke test.
    QCoro::Task<std::variant<InstalledTool, ToolError>> installOne(ToolSpec spec, bool replacing);
    // The SHA-256 its publisher gives for a download; none when none can be had.
    QCoro::Task<std::optional<QByteArray>> publishedChecksum(QUrl download);
    QNetworkReply* get(const QUrl& url);
    // Remembers a release that failed its self-test, so automatic checks skip it for a day.
    void rejectRelease(Tool tool, const QString& tag);
    bool recentlyRejected(Tool tool, const QString& tag) const;
    void setPhase(Phase phase);
    void setCurrent(const QString& text);
    void setState(Tool tool, const ComponentState& state);
    void setStatus(Tool tool, const ComponentStatus& status);
    void setProgress(Tool tool, double progress);
    void setBusy(bool busy);
    void setEjsDetail(const QString& detail);
    void setRunningDiagnostics(bool running);
    void setDiagnostics(const QList<DiagnosticItem>& rows);
    bool isInstalled(Tool tool) const;
    void log(const QString& line) const;
    // One source: download, unpack, validate, move into place. Gives the version.
    QCoro::Task<std::variant<InstalledTool, ToolError>> installFrom(
        ToolSpec spec, QUrl url, QString workDir, bool replacing);
    // A downloaded file that matched its published checksum, when one exists.
    struct Fetched {
        QString path;
        bool verified = false;
    };
    // Downloads url to target, checking it against its published checksum.
    QCoro::Task<std::variant<Fetched, ToolError>> fetch(Tool tool, QUrl url, QString target);
    // An archive several tools come from (ffmpeg and ffprobe) is fetched once
    // per install run; the second tool unpacks the same file or meets the
    // same failure.
    QCoro::Task<std::variant<Fetched, ToolError>> fetchArchive(Tool tool, QUrl url);

    Phase m_phase = Phase::checking;
    ComponentStates m_states;
    QString m_current;
    QList<DiagnosticItem> m_diagnostics;
    bool m_runningDiagnostics = false;
    bool m_busy = false;
    QString m_ejsDetail;
    QMap<QString, ManifestEntry> m_manifest;
    std::chrono::milliseconds m_stallTimeout = std::chrono::seconds(60);
    QNetworkAccessManager* m_network = nullptr; // created on first use
    QDateTime m_lastFailureCheck; // of updateAfterFailedDownload
    // The archives of the install run in progress, by address.
    std::unique_ptr<QTemporaryDir> m_archiveDir;
    QHash<QString, std::variant<Fetched, ToolError>> m_archives;
};
