#pragma once

#include <QString>

// Debian's yt-dlp predates "--remote-components" and "--js-runtimes": local
// mirrors serve it behind a script that drops both options with their values
// (up to the "--" before the link) and passes everything else on.
namespace YtdlpWrapper {

// Writes the script for the yt-dlp at ytdlpPath to scriptPath (mode 0755);
// returns its path, or an empty string on failure.
QString write(const QString& scriptPath, const QString& ytdlpPath);

} // namespace YtdlpWrapper
