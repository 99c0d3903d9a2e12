#pragma once

#include "TestHttpServer.h"
#include "ToolMirror.h"

#include <QString>
#include <QTemporaryDir>

#include <optional>

// A local stand-in for the internet on 127.0.0.1: a tool mirror with the
// real tools of this machine (Debian's yt-dlp behind an option-dropping
// wrapper, Debian's FFmpeg and ffprobe, the test assets' Deno) and a page of
// sample media. Point KLIPWELL_TOOL_MIRROR at origin() to install from it.
class DemoSite {
public:
    DemoSite();

    // Why the site could not be set up; empty when it serves everything.
    QString error() const { return m_error; }
    QString origin() const { return m_server.origin(); }
    // The address of one of the sample media (TestMedia's relative paths).
    QString link(const QString& media) const;
    TestHttpServer& server() { return m_server; }

private:
    QTemporaryDir m_scratch;
    TestHttpServer m_server;
    std::optional<ToolMirror> m_mirror;
    QString m_error;
};
