#pragma once

#include <QString>

#include <optional>

// Posts desktop notifications (freedesktop notifications on the D-Bus session
// bus) when a download completes or fails. Nothing is posted, and the bus is
// not even connected to, unless the program runs as an installed application
// and the "notifications" setting is on.
class NotificationManager {
public:
    static NotificationManager& shared();

    // Desktop notification servers grant every client; there is no permission
    // to ask for, so this only keeps the start-up sequence the same on every platform.
    void requestAuth();
    // Posts one new notification (never replacing an earlier one), without waiting for an answer.
    void notify(const QString& title, const QString& body);

    // True when running from an installed location: not under the test
    // suite (KLIPWELL_TESTING) and not from a build tree (a folder above the
    // executable holds a CMakeCache.txt).
    static bool runsFromInstalledLocation();
    // Replaces the installed-location check; std::nullopt restores it.
    void setInstalledOverride(std::optional<bool> installed);

private:
    bool runsInstalled() const;

    std::optional<bool> m_installedOverride;
};
