#pragma once

#include "ProgressEvent.h"

#include <QString>
#include <QStringList>

#include <optional>

// Turns one line of yt-dlp's output into a ProgressEvent. Marker lines
// (KWPROG, KWPP, KWITEM, KWFILE) come from the templates YTDLPManager passes;
// everything else is one of yt-dlp's own lines. Stateless and thread-safe.
namespace ProgressParser {

// The event of one complete line (without its line terminator); nothing for
// a malformed marker line, which is then neither shown nor logged as an event.
std::optional<ProgressEvent> parse(const QString& line);

// Older yt-dlp releases write post-processor marker lines without a line end,
// so several markers and a following warning or error arrive as one line.
// Splits such a line before every later marker, "WARNING:" or "ERROR:";
// a line without any comes back whole. Meant for standard-error lines: a
// title or path that contains a marker text would be split too.
QStringList splitMarkers(const QString& line);

} // namespace ProgressParser
