#include "DemoSite.h"

#include "TestMedia.h"
#include "ToolMirror.h"
#include "YtdlpWrapper.h"

#include <QFileInfo>
#include <QStandardPaths>

DemoSite::DemoSite()
{
    const QString ytdlp = QStandardPaths::findExecutable(QStringLiteral("yt-dlp"));
    if (ytdlp.isEmpty()) {
        m_error = QStringLiteral("No yt-dlp on this system.");
        return;
    }
    if (TestMedia::folder().isEmpty()) {
        m_error = TestMedia::error();
        return;
    }
    m_server.serveDirectory(QStringLiteral("/media/"), TestMedia::folder());
    m_mirror = std::make_unique<ToolMirror>(m_server, m_scratch.filePath(QStringLiteral("mirror")));
    if (!m_mirror->serveDeno()) {
        m_error = QStringLiteral("No Deno in the test assets.");
        return;
    }
    m_mirror->serveFFmpegWithBinFolder();
    const QString wrapper = YtdlpWrapper::write(
        m_scratch.filePath(QStringLiteral("yt-dlp")), QFileInfo(ytdlp).canonicalFilePath());
    if (wrapper.isEmpty()) {
        m_error = QStringLiteral("Could not write the yt-dlp wrapper.");
        return;
    }
    m_server.serveFile(ToolMirror::path(Tool::ytdlp), wrapper);
}

DemoSite::~DemoSite() = default;

QString DemoSite::link(const QString& media) const
{
    return m_server.url(QStringLiteral("/media/") + media).toString(QUrl::FullyEncoded);
}
