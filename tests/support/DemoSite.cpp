#include "DemoSite.h"

#include "TestMedia.h"
#include "TestSupport.h"

#include <QStandardPaths>

namespace {

// Debian's yt-dlp predates "--remote-components" and "--js-runtimes": the
// wrapper drops both with their values (up to the "--" before the link).
const QByteArray dropOptions = R"(#!/bin/sh
drop= ended=
for arg in "$@"; do
  shift
  if [ -n "$drop" ]; then drop=; continue; fi
  case "$ended$arg" in
    --remote-components|--js-runtimes) drop=1; continue ;;
    --) ended=1 ;;
  esac
  set -- "$@" "$arg"
done
)";

} // namespace

DemoSite::DemoSite()
{
    const QString ytdlp = QStandardPaths::findExecutable(QStringLiteral("yt-dlp"));
    const QString wrapper = m_scratch.filePath(QStringLiteral("yt-dlp"));
    if (ytdlp.isEmpty())
        m_error = QStringLiteral("No yt-dlp on this system.");
    else if (TestMedia::folder().isEmpty())
        m_error = TestMedia::error();
    else if (!m_mirror.emplace(m_server, m_scratch.filePath(QStringLiteral("mirror"))).serveDeno())
        m_error = QStringLiteral("No Deno in the test assets.");
    else if (TestSupport::writeScript(wrapper,
                 dropOptions + "exec '" + QFile::encodeName(QFileInfo(ytdlp).canonicalFilePath())
                     + "' \"$@\"\n")
                 .isEmpty())
        m_error = QStringLiteral("Could not write the yt-dlp wrapper.");
    if (!m_error.isEmpty())
        return;
    m_server.serveDirectory(QStringLiteral("/media/"), TestMedia::folder());
    m_mirror->serveFFmpegWithBinFolder();
    m_server.serveFile(ToolMirror::path(Tool::ytdlp), wrapper);
}

QString DemoSite::link(const QString& media) const
{
    return m_server.url(QStringLiteral("/media/") + media).toString(QUrl::FullyEncoded);
}
