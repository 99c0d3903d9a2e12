#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Dates as the queue and history files write them: ISO 8601 in UTC with
// whole seconds and a "Z" suffix (2024-05-01T09:30:00Z).
namespace IsoDate {
QString toString(const QDateTime&);
std::optional<QDateTime> fromString(const QString&);
// The current time in UTC, cut to whole seconds so that a value survives a
// round trip through a file unchanged.
QDateTime now();
} // namespace IsoDate
