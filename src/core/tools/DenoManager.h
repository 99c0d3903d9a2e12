#pragma once

#include "CpuArchitecture.h"
#include "ToolSpec.h"

#include <QUrl>

// Deno, the JavaScript runtime yt-dlp uses to solve YouTube challenges.
namespace DenoManager {
ToolSpec spec();
ToolSpec spec(CpuArchitecture arch);
// Release-metadata endpoint of the newest Deno release.
QUrl latestAPI();
} // namespace DenoManager
