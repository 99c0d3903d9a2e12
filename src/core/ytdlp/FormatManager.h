#pragma once

#include "DownloadOptions.h"
#include "MediaInfo.h"
#include "Preset.h"

#include <QJsonObject>
#include <QString>

#include <optional>
#include <variant>

class CancelToken;

#include <qcoro/qcorotask.h>

// Asks yt-dlp what a link offers and turns the user's quality choice into
// yt-dlp's format options.
namespace FormatManager {

// How long one yt-dlp query may take.
inline constexpr double discoveryTimeoutSeconds = 120;

// Runs yt-dlp from the tools folder once in JSON mode ("-J --flat-playlist")
// and reads its answer. Fails with a sentence for the user.
QCoro::Task<std::variant<MediaInfo, InfoError>> discover(const QString& url, const NetworkOptions& net);
// The same with another time limit.
QCoro::Task<std::variant<MediaInfo, InfoError>> discover(
    const QString& url, const NetworkOptions& net, double timeoutSeconds);
// The same; cancelling or destroying the token stops yt-dlp early (for a
// fetch superseded by a newer one, whose result nobody reads).
QCoro::Task<std::variant<MediaInfo, InfoError>> discover(
    const QString& url, const NetworkOptions& net, double timeoutSeconds, const CancelToken* cancel);

// Reads a "-J" document. Never fails: missing or ill-typed values take their
// defaults. fallbackURL stands in for a missing "webpage_url".
MediaInfo parse(const QJsonObject& json, const QString& fallbackURL);

// Format selector, sort and audio-only flag for a preset; videoID and audioID
// are the Advanced choices ("auto", "none" or a format ID) used by custom.
Selection selection(Preset preset, bool compatible, const std::optional<QString>& videoID,
    const std::optional<QString>& audioID);

} // namespace FormatManager
