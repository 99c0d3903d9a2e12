#pragma once

#include <QString>

// What the last start-up check that ended ready saw of each tool's
// executable (size, modification time, inode), so the next start can open
// the working screens at once while the full check runs behind them. A
// replaced, truncated or deleted executable no longer matches.
namespace StartupRecord {

QString path();
// Records the executables as they are now.
void save();
void clear();
// True when a record exists and every installable tool's executable is
// still the file it describes.
bool stillHolds();

} // namespace StartupRecord
