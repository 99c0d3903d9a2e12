#pragma once

#include "DownloadOptions.h"
#include "SplitArguments.h"

#include <QString>
#include <QStringList>

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

} // namespace YTDLPManager
