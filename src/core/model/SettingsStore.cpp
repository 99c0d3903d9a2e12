#include "SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QStandardPaths>
#include <QVariantMap>

#include <algorithm>

namespace {

QMutex registeredMutex;
QVariantMap registered; // guarded by registeredMutex

QSettings userSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Klipwell"),
        QStringLiteral("Klipwell"));
}

// The user's value when there is one, otherwise the registered default.
QVariant lookup(const QString& key)
{
    {
        const QSettings settings = userSettings();
        if (settings.contains(key))
            return settings.value(key);
    }
    QMutexLocker lock(&registeredMutex);
    return registered.value(key);
}

QString downloadsFolder()
{
    const QStringList found = QStandardPaths::standardLocations(QStandardPaths::DownloadLocation);
    return found.isEmpty() ? QDir::homePath() : found.first();
}

} // namespace

namespace SettingsStore {

void registerDefaults()
{
    const QVariantMap defaults {
        { QStringLiteral("downloadFolder"), downloadsFolder() },
        { QStringLiteral("outputTemplate"), QStringLiteral("%(title)s [%(id)s].%(ext)s") },
        { QStringLiteral("maxConcurrent"), 2 },
        { QStringLiteral("notifications"), true },
        { QStringLiteral("clipboardMonitor"), false },
        { QStringLiteral("defaultPreset"), QStringLiteral("Best Quality") },
        { QStringLiteral("audioFormat"), QStringLiteral("mp3") },
        { QStringLiteral("mergeContainer"), QStringLiteral("mp4") },
        { QStringLiteral("preferCompatible"), true },
        { QStringLiteral("embedThumbnail"), true },
        { QStringLiteral("embedMetadata"), true },
        { QStringLiteral("writeSubs"), false },
        { QStringLiteral("autoSubs"), false },
        { QStringLiteral("embedSubs"), false },
        { QStringLiteral("subLangs"), QStringLiteral("en.*") },
        { QStringLiteral("playlistNumbering"), true },
        { QStringLiteral("cookiesBrowser"), QStringLiteral("none") },
        { QStringLiteral("retries"), 10 },
        { QStringLiteral("fragments"), 4 },
        { QStringLiteral("timeout"), 30 },
        { QStringLiteral("autoUpdateTools"), true },
        { QStringLiteral("remoteEJS"), true },
    };
    QMutexLocker lock(&registeredMutex);
    registered.insert(defaults);
}

NetworkOptions networkSnapshot()
{
    NetworkOptions net;
    net.cookiesBrowser = string(QStringLiteral("cookiesBrowser")).value_or(QStringLiteral("none"));
    net.userAgent = string(QStringLiteral("userAgent")).value_or(QString());
    net.proxy = string(QStringLiteral("proxy")).value_or(QString());
    net.rateLimit = string(QStringLiteral("rateLimit")).value_or(QString());
    net.retries = integer(QStringLiteral("retries"));
    net.fragments = std::max<qint64>(1, integer(QStringLiteral("fragments")));
    net.timeout = integer(QStringLiteral("timeout"));
    net.extraArgs = string(QStringLiteral("extraArgs")).value_or(QString());
    return net;
}

std::optional<QString> string(const QString& key)
{
    const QVariant value = lookup(key);
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    // The settings file reads an unquoted "a,b" back as a list; keep the text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool boolean(const QString& key)
{
    return lookup(key).toBool();
}

qint64 integer(const QString& key)
{
    return lookup(key).toLongLong();
}

std::optional<QDateTime> date(const QString& key)
{
    const QVariant value = lookup(key);
    QDateTime result = value.toDateTime();
    if (!result.isValid())
        result = QDateTime::fromString(value.toString(), Qt::ISODate);
    if (!result.isValid())
        return std::nullopt;
    return result.toUTC();
}

void set(const QString& key, const QVariant& value)
{
    QSettings settings = userSettings();
    settings.setValue(key, value);
}

void remove(const QString& key)
{
    QSettings settings = userSettings();
    settings.remove(key);
}

bool hasUserValue(const QString& key)
{
    return userSettings().contains(key);
}

} // namespace SettingsStore
