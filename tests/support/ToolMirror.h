#pragma once

#include "TestArchive.h"
#include "Tool.h"

#include <QMap>
#include <QString>

class TestHttpServer;

// Serves this machine's yt-dlp, ffmpeg and ffprobe, and the test assets' Deno,
// from a local server at the paths and in the packing of their release assets,
// for installs with KLIPWELL_TOOL_MIRROR set to the server's origin.
class ToolMirror {
public:
    // Packs archives into workDir.
    ToolMirror(TestHttpServer& server, const QString& workDir);

    // URL path of a tool's download source (0: first).
    static QString path(Tool tool, int source = 0);

    void serveYtdlp() { serveAsset(path(Tool::ytdlp), QStringLiteral("/usr/bin/yt-dlp")); }
    void serveFFmpegWithBinFolder();
    void serveFFmpegFlat();
    // False when the test assets hold no Deno.
    bool serveDeno();
    // Packs entries into an archive in workDir and serves it at urlPath.
    void serveArchive(
        const QString& urlPath, TestArchive::Format format, const QList<TestArchive::Entry>& entries);

    // Publishes the SHA-256 of what is served now as each publisher does
    // (the second FFmpeg source publishes none).
    void publishChecksums(bool crlf = false);
    // Answers 404 for every checksum again.
    void withdrawChecksums();
    // Serves the tool's asset (first source) with one byte changed, keeping
    // the published checksum.
    void corrupt(Tool tool);
    // Serves every asset the mirror packed or served again, over corrupted
    // copies and over what a test served at those paths.
    void restore();

private:
    void serveAsset(const QString& urlPath, const QString& file);

    TestHttpServer& m_server;
    QString m_workDir;
    int m_packed = 0;
    QMap<QString, QString> m_assets; // URL path -> served file
};
