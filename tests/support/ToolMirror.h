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
    ToolMirror(TestHttpServer& server, const QString& workDir); // packs archives into workDir

    static QString path(Tool tool, int source = 0);

    void serveYtdlp() { serveAsset(path(Tool::ytdlp), QStringLiteral("/usr/bin/yt-dlp")); }
    void serveFFmpegWithBinFolder();
    void serveFFmpegFlat();
    bool serveDeno(); // false when the test assets hold no Deno
    void serveArchive(
        const QString& urlPath, TestArchive::Format format, const QList<TestArchive::Entry>& entries);

    // Publishes the SHA-256 of what is served now as each publisher does
    // (the second FFmpeg source publishes none).
    void publishChecksums(bool crlf = false);
    void withdrawChecksums(); // 404 for every checksum
    // Serves the tool's first asset with one byte changed, checksum kept.
    void corrupt(Tool tool);
    // Serves every asset the mirror packed or served again, over corrupt copies and others.
    void restore();

private:
    void serveAsset(const QString& urlPath, const QString& file);

    TestHttpServer& m_server;
    QString m_workDir;
    int m_packed = 0;
    QMap<QString, QString> m_assets; // URL path -> served file
};
