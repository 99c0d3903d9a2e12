#pragma once

#include <QCoroTask>
#include <QString>

#include <optional>

// Unpacks zip and tar archives (plain, gzip, bzip2 or xz) with libarchive.
namespace ArchiveExtractor {
// Unpacks archivePath into the existing folder destination. Returns the error
// text when the archive cannot be read or holds an entry that would land
// outside destination (absolute name, "..", or a link pointing out); the
// archive is refused at the first such entry.
std::optional<QString> extract(const QString& archivePath, const QString& destination);
// The same on a worker thread, so large archives do not block the event loop.
QCoro::Task<std::optional<QString>> extractInBackground(
    const QString& archivePath, const QString& destination);
} // namespace ArchiveExtractor
