#pragma once

#include <QByteArray>
#include <QString>

// Helpers for the suites that run the download engine against the yt-dlp and
// FFmpeg installed on the system.
namespace EngineTools {

// Links the system's yt-dlp, ffmpeg and ffprobe into the tools folder (no
// deno) and turns "remoteEJS" off, which the system's older yt-dlp rejects.
// Returns an error text, or an empty string when everything is in place.
QString useSystemTools();
// Writes `size` bytes of fixed pseudo-random content (the same for the same
// seed) and returns them.
QByteArray writeNoise(const QString& path, qint64 size, quint32 seed);

} // namespace EngineTools
