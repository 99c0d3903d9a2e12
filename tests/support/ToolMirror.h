#pragma once

#include "TestArchive.h"
#include "Tool.h"

#include <QMap>
#include <QString>

class TestHttpServer;

// Serves the real tools of this machine from a local server at the paths of
// their release assets, packed like those assets, so that installing with
// KLIPWELL_TOOL_MIRROR set to the server's origin fetches them: Debian's
// yt-dlp, Debian's ffmpeg and ffprobe in a tar.xz with a bin folder (first
// source) or without one (second source), and the Deno of the test assets in
// the Deno zip. On request it publishes their checksums as each publisher does.
class ToolMirror {
public:
    // Archives are packed into workDir.
    ToolMirror(TestHttpServer& server, const QString& workDir);

    // URL path of a tool's download source (0: first).
    static QString path(Tool tool, int source = 0);

    void serveYtdlp();
    void serveFFmpegWithBinFolder();
    void serveFFmpegFlat();
    // False when the test assets hold no Deno.
    bool serveDeno();
    // Packs entries into an archive in workDir and serves it at urlPath.
    void serveArchive(
        const QString& urlPath, TestArchive::Format format, const QList<TestArchive::Entry>& entries);

    // Publishes the SHA-256 of what is served now: yt-dlp's "SHA2-256SUMS"
    // (among the lines of other assets), Deno's "<asset>.sha256sum" and the
    // asset digests of the first FFmpeg source's release JSON. The second
    // FFmpeg source publishes none.
    void publishChecksums(bool crlf = false);
    // Answers 404 for every checksum again.
    void withdrawChecksums();
    // Serves the tool's asset (first source) with one byte changed, keeping
    // the published checksum.
    void corrupt(Tool tool);
    // Serves again every asset the mirror packed or served, in place of
    // corrupted copies and of what a test served at those paths itself.
    void restore();

private:
    void serveAsset(const QString& urlPath, const QString& file);

    TestHttpServer& m_server;
    QString m_workDir;
    int m_packed = 0;
    QMap<QString, QString> m_assets; // URL path -> served file
};
