#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

// Small scripted stand-ins for yt-dlp, ffmpeg, ffprobe and deno in the tools
// folder: they pass the version probes and smoke tests, and the yt-dlp
// stand-in answers "-J" with documents the test chose and records every run.
// For what the real programs cannot be made to show on demand.
namespace FakeTools {

// Writes the four stand-ins; returns an error text or an empty string.
QString install();
// The stand-in's answer to "-J" for a link, after delaySeconds.
void setInfo(const QString& url, const QJsonObject& document, double delaySeconds = 0);
// Every download of the yt-dlp stand-in lasts this long (a still active task).
void setDownloadSeconds(double seconds);
// One line per finished run of the yt-dlp stand-in: "info <link>" or "download <link>".
QStringList runs();

QJsonObject videoDocument(const QString& id, const QString& title);
QJsonObject playlistDocument(const QString& title, int count);

} // namespace FakeTools
