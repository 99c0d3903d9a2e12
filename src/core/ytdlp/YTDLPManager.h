#pragma once

#include "CheckResult.h"
#include "CpuArchitecture.h"
#include "DownloadOptions.h"
#include "SplitArguments.h"
#include "ToolSpec.h"

#include <QCoroTask>
#include <QString>
#include <QStringList>
#include <QUrl>

// yt-dlp's command line as this program uses it. The vectors are argument
// lists handed to the child unquoted, never a shell command line.
namespace YTDLPManager {

// Arguments shared by every yt-dlp run (media-information queries and
// downloads): configuration, tool locations and the network settings.
QStringList baseArguments(const NetworkOptions& net);

// The complete vector for one download, ending with "--" and the link so a
// link that begins with "-" is never read as an option.
QStringList downloadArguments(const DownloadOptions& options);

// The output template for a playlist download: every playlist goes into a
// folder named after it, and with numbering each file name starts with the
// item's three-digit position.
QString playlistOutputTemplate(const QString& baseTemplate, bool numbered);

// Where the yt-dlp executable comes from (defined with the other tool sources).
ToolSpec spec();
ToolSpec spec(CpuArchitecture arch);
// Release-metadata endpoint of the newest yt-dlp release.
QUrl latestAPI();
// Lists the extractors of the yt-dlp in the tools folder (or executable); more
// than 100 means it works.
QCoro::Task<CheckResult> smokeTest();
QCoro::Task<CheckResult> smokeTest(QString executable, double timeoutSeconds);

} // namespace YTDLPManager
