#pragma once

#include <QString>

// Failures of yt-dlp that usually mean a site changed and only a newer
// yt-dlp can cope: worth one update check and one more try.
namespace UpdateHint {
// errorText: the run's error lines; explained: what ErrorInterpreter made of them.
bool suggestsUpdate(const QString& errorText, const QString& explained);
} // namespace UpdateHint
