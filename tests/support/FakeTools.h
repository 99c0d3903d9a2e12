#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

// Scripted stand-ins for the tools that pass the version probes and smoke
// tests; the yt-dlp one answers "-J" with the test's documents and records runs.
namespace FakeTools {

QString install(); // writes the four stand-ins; an error text or nothing
// The stand-in's answer to "-J" for a link, after delaySeconds.
void setInfo(const QString& url, const QJsonObject& document, double delaySeconds = 0);
// Every download of the yt-dlp stand-in lasts this long (a still active task).
void setDownloadSeconds(double seconds);
// One line per finished run of the yt-dlp stand-in: "info <link>" or "download <link>".
QStringList runs();

QJsonObject videoDocument(const QString& id, const QString& title);
QJsonObject playlistDocument(const QString& title, int count);

} // namespace FakeTools
