#include "FileManager.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <QUuid>

namespace FileManager {

void showItem(const QString& path)
{
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool available = bus.isConnected() && bus.interface()
        && (bus.interface()->isServiceRegistered(service).value()
            || bus.interface()->activatableServiceNames().value().contains(service));
    if (available) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            service, QStringLiteral("/org/freedesktop/FileManager1"), service, QStringLiteral("ShowItems"));
        call << QStringList { QUrl::fromLocalFile(path).toString() }
             << QUuid::createUuid().toString(QUuid::WithoutBraces);
        bus.asyncCall(call);
        return;
    }
    open(QFileInfo(path).absolutePath());
}

void open(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace FileManager
