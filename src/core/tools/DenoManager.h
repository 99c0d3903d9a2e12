#pragma once

#include "CheckResult.h"
#include "CpuArchitecture.h"
#include "ToolSpec.h"

#include <QCoroTask>
#include <QUrl>

// Deno, the JavaScript runtime yt-dlp uses to solve YouTube challenges.
namespace DenoManager {
ToolSpec spec();
ToolSpec spec(CpuArchitecture arch);
// Release-metadata endpoint of the newest Deno release.
QUrl latestAPI();
// Evaluates a line of JavaScript with the deno of the tools folder (or executable).
QCoro::Task<CheckResult> smokeTest();
QCoro::Task<CheckResult> smokeTest(QString executable, double timeoutSeconds);
} // namespace DenoManager
