#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A private D-Bus session bus (its own dbus-daemon) for one test run.
class TestSessionBus {
public:
    TestSessionBus();
    ~TestSessionBus();
    TestSessionBus(const TestSessionBus&) = delete;
    TestSessionBus& operator=(const TestSessionBus&) = delete;

    // Empty when the daemon could not be started.
    QString address() const { return m_address; }
    // Makes this bus the process's session bus. Call before anything in the
    // process uses QDBusConnection::sessionBus().
    void makeSessionBus() const;

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};
