#pragma once

#include "DownloadOptions.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <optional>

// The user's settings in the per-user preferences store, read at the moment
// they are needed. Registered defaults live in memory beneath the user's own
// values and are never written to disk.
//
// Reading rules: a string with no value is absent, a bool with no value is
// false, an integer with no value is 0.
namespace SettingsStore {

void registerDefaults();
NetworkOptions networkSnapshot();

std::optional<QString> string(const QString& key);
bool boolean(const QString& key);
qint64 integer(const QString& key);
// The stored date of a key, absent when none or not a date.
std::optional<QDateTime> date(const QString& key);

// Writes the user's own value; it wins over the registered default.
void set(const QString& key, const QVariant& value);
// Removes the user's own value, so the registered default shows again.
void remove(const QString& key);
// True when the user has a value of their own for the key.
bool hasUserValue(const QString& key);

} // namespace SettingsStore
