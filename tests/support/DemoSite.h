#pragma once

#include "TestHttpServer.h"
#include "ToolMirror.h"

#include <QString>
#include <QTemporaryDir>

#include <optional>

// The internet on 127.0.0.1: a mirror of this machine's tools (yt-dlp behind an
// option-dropping wrapper) and the test assets' Deno, and TestMedia's files.
// Point KLIPWELL_TOOL_MIRROR at origin() to install from it.
class DemoSite {
public:
    DemoSite();

    QString error() const { return m_error; } // empty when it serves everything
    QString origin() const { return m_server.origin(); }
    // The address of one of TestMedia's files.
    QString link(const QString& media) const;
    TestHttpServer& server() { return m_server; }

private:
    QTemporaryDir m_scratch;
    TestHttpServer m_server;
    std::optional<ToolMirror> m_mirror;
    QString m_error;
};
