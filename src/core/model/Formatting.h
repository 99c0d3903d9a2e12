#pragma once

#include <QString>

#include <optional>

// Display text of a duration: "m:ss" below an hour, "h:mm:ss" from an hour
// on (whole seconds, truncated); "—" when unknown or not positive.
QString formatDuration(std::optional<double> seconds);

// File-style byte count in decimal units: "1 byte", "999 bytes", "12 KB",
// "12.3 MB", "1.25 GB". Rounds half away from zero; a value that rounds to
// 1000 of a unit is shown in the next unit.
QString formatBytes(qint64 bytes);
