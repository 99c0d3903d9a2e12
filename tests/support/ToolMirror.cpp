#include "ToolMirror.h"

#include "TestHttpServer.h"
#include "TestSupport.h"
#include "ToolSources.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString ffmpegRelease = QStringLiteral("/repos/BtbN/FFmpeg-Builds/releases/tags/latest");

QByteArray sha256Of(const QString& file)
{
    return QCryptographicHash::hash(TestSupport::readFile(file), QCryptographicHash::Sha256).toHex();
}

QByteArray fileNameOf(const QString& urlPath)
{
    return urlPath.section(u'/', -1).toUtf8();
}

QString sumsPath()
{
    return ToolMirror::path(Tool::ytdlp).section(u'/', 0, -2) + QStringLiteral("/SHA2-256SUMS");
}

} // namespace

ToolMirror::ToolMirror(TestHttpServer& server, const QString& workDir)
    : m_server(server)
    , m_workDir(workDir)
{
    QDir().mkpath(workDir);
}

QString ToolMirror::path(Tool tool, int source)
{
    return ToolSources::spec(tool)->urls.value(source).path();
}

void ToolMirror::serveFFmpegWithBinFolder()
{
    const QString top = QStringLiteral("ffmpeg-master-latest-linux64-gpl/");
    serveArchive(path(Tool::ffmpeg, 0), TestArchive::Format::tarXz,
        { TestArchive::directory(top), TestArchive::directory(top + "bin/"),
            TestArchive::fileFrom(top + "bin/ffmpeg", "/usr/bin/ffmpeg"),
            TestArchive::fileFrom(top + "bin/ffprobe", "/usr/bin/ffprobe"),
            TestArchive::file(top + "LICENSE.txt", "GPL") });
}

void ToolMirror::serveFFmpegFlat()
{
    const QString top = QStringLiteral("ffmpeg-7.0.2-amd64-static/");
    serveArchive(path(Tool::ffmpeg, 1), TestArchive::Format::tarXz,
        { TestArchive::fileFrom(top + "ffmpeg", "/usr/bin/ffmpeg"),
            TestArchive::fileFrom(top + "ffprobe", "/usr/bin/ffprobe"),
            TestArchive::file(top + "readme.txt", "static build") });
}

bool ToolMirror::serveDeno()
{
    const QString deno = QStringLiteral(KLIPWELL_TEST_ASSETS_DIR "/deno");
    if (QFileInfo(deno).isExecutable())
        serveArchive(path(Tool::deno), TestArchive::Format::zip, { TestArchive::fileFrom("deno", deno) });
    return QFileInfo(deno).isExecutable();
}

void ToolMirror::serveArchive(
    const QString& urlPath, TestArchive::Format format, const QList<TestArchive::Entry>& entries)
{
    const QString archive = QDir(m_workDir).filePath(QStringLiteral("archive-%1").arg(++m_packed));
    if (TestArchive::write(archive, format, entries))
        serveAsset(urlPath, archive);
    else
        m_server.serveStatus(urlPath, 500);
}

void ToolMirror::serveAsset(const QString& urlPath, const QString& file)
{
    m_assets.insert(urlPath, file);
    m_server.serveFile(urlPath, file);
}

void ToolMirror::publishChecksums(bool crlf)
{
    const QByteArray end = crlf ? "\r\n" : "\n";
    const QByteArray other(64, 'e');
    if (const QString ytdlp = path(Tool::ytdlp); m_assets.contains(ytdlp))
        m_server.serveData(sumsPath(),
            other + "  yt-dlp.tar.gz" + end + sha256Of(m_assets.value(ytdlp)) + "  " + fileNameOf(ytdlp) + end
                + other + "  yt-dlp_macos" + end);
    if (const QString deno = path(Tool::deno); m_assets.contains(deno))
        m_server.serveData(
            deno + ".sha256sum", sha256Of(m_assets.value(deno)) + "  " + fileNameOf(deno) + end);
    if (const QString ffmpeg = path(Tool::ffmpeg, 0); m_assets.contains(ffmpeg)) {
        const QJsonArray assets { QJsonObject { { "name", "checksums.sha256" }, { "digest", QJsonValue() } },
            QJsonObject { { "name", QString::fromUtf8(fileNameOf(ffmpeg)) },
                { "digest", QString::fromLatin1("sha256:" + sha256Of(m_assets.value(ffmpeg))) } } };
        m_server.serveData(ffmpegRelease,
            QJsonDocument(QJsonObject { { "tag_name", "latest" }, { "assets", assets } }).toJson(),
            "application/json");
    }
}

void ToolMirror::withdrawChecksums()
{
    m_server.serveStatus(sumsPath(), 404);
    m_server.serveStatus(path(Tool::deno) + ".sha256sum", 404);
    m_server.serveStatus(ffmpegRelease, 404);
}

void ToolMirror::corrupt(Tool tool)
{
    QByteArray data = TestSupport::readFile(m_assets.value(path(tool)));
    data[data.size() / 2] = char(data.at(data.size() / 2) ^ 0x01);
    const QString copy = QDir(m_workDir).filePath(QStringLiteral("corrupt-%1").arg(++m_packed));
    if (TestSupport::writeFile(copy, data))
        m_server.serveFile(path(tool), copy);
}

void ToolMirror::restore()
{
    for (auto it = m_assets.cbegin(); it != m_assets.cend(); ++it)
        m_server.serveFile(it.key(), it.value());
}
