#pragma once

#include "CheckResult.h"

#include <QCoroTask>
#include <QString>

// The yt-dlp-ejs challenge-solver scripts, which yt-dlp brings or fetches
// itself; this program only checks whether yt-dlp can use them.
namespace EJSManager {
// Asks the yt-dlp of the tools folder.
QCoro::Task<CheckResult> status();
QCoro::Task<CheckResult> status(QString ytdlp, double timeoutSeconds);
} // namespace EJSManager
