#include "ToolMirror.h"

#include "DenoManager.h"
#include "FFmpegManager.h"
#include "TestHttpServer.h"
#include "YTDLPManager.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
const QString debianYtdlp = QStringLiteral("/usr/bin/yt-dlp");
const QString debianFFmpeg = QStringLiteral("/usr/bin/ffmpeg");
const QString debianFFprobe = QStringLiteral("/usr/bin/ffprobe");

QByteArray sha256Of(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&in);
    return hash.result().toHex();
}

QString fileNameOf(const QString& urlPath)
{
    return urlPath.section(QLatin1Char('/'), -1);
}

QString sumsPath()
{
    const QString asset = ToolMirror::path(Tool::ytdlp);
    return asset.left(asset.lastIndexOf(QLatin1Char('/')) + 1) + QStringLiteral("SHA2-256SUMS");
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
    const ToolSpec spec = tool == Tool::ytdlp ? YTDLPManager::spec()
        : tool == Tool::deno                  ? DenoManager::spec()
                                              : FFmpegManager::spec(tool);
    return spec.urls.value(source).path();
}

QString ToolMirror::denoBinary()
{
    const QString deno = QDir(QStringLiteral(KLIPWELL_TEST_ASSETS_DIR)).filePath(QStringLiteral("deno"));
    return QFileInfo(deno).isExecutable() ? deno : QString();
}

void ToolMirror::serveYtdlp()
{
    serveAsset(path(Tool::ytdlp), debianYtdlp);
}

void ToolMirror::serveFFmpegWithBinFolder()
{
    const QString top = QStringLiteral("ffmpeg-master-latest-linux64-gpl/");
    serveArchive(path(Tool::ffmpeg, 0), TestArchive::Format::tarXz,
        { TestArchive::directory(top), TestArchive::directory(top + "bin/"),
            TestArchive::fileFrom(top + "bin/ffmpeg", debianFFmpeg),
            TestArchive::fileFrom(top + "bin/ffprobe", debianFFprobe),
            TestArchive::file(top + "LICENSE.txt", "GPL") });
}

void ToolMirror::serveFFmpegFlat()
{
    const QString top = QStringLiteral("ffmpeg-7.0.2-amd64-static/");
    serveArchive(path(Tool::ffmpeg, 1), TestArchive::Format::tarXz,
        { TestArchive::fileFrom(top + "ffmpeg", debianFFmpeg),
            TestArchive::fileFrom(top + "ffprobe", debianFFprobe),
            TestArchive::file(top + "readme.txt", "static build") });
}

bool ToolMirror::serveDeno()
{
    const QString deno = denoBinary();
    if (deno.isEmpty())
        return false;
    serveArchive(
        path(Tool::deno), TestArchive::Format::zip, { TestArchive::fileFrom(QStringLiteral("deno"), deno) });
    return true;
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

QString ToolMirror::ffmpegReleasePath()
{
    return QStringLiteral("/repos/BtbN/FFmpeg-Builds/releases/tags/latest");
}

void ToolMirror::publishChecksums(bool crlf)
{
    const QByteArray end = crlf ? "\r\n" : "\n";
    const QByteArray other(64, 'e');
    const QString ytdlp = path(Tool::ytdlp);
    if (m_assets.contains(ytdlp))
        m_server.serveData(sumsPath(),
            other + "  yt-dlp.tar.gz" + end + sha256Of(m_assets.value(ytdlp)) + "  "
                + fileNameOf(ytdlp).toUtf8() + end + other + "  yt-dlp_macos" + end);
    const QString deno = path(Tool::deno);
    if (m_assets.contains(deno))
        m_server.serveData(deno + QStringLiteral(".sha256sum"),
            sha256Of(m_assets.value(deno)) + "  " + fileNameOf(deno).toUtf8() + end);
    const QString ffmpeg = path(Tool::ffmpeg, 0);
    if (m_assets.contains(ffmpeg)) {
        const QJsonArray assets { QJsonObject { { "name", "checksums.sha256" }, { "digest", QJsonValue() } },
            QJsonObject { { "name", fileNameOf(ffmpeg) },
                { "digest", QString("sha256:" + QString::fromLatin1(sha256Of(m_assets.value(ffmpeg)))) } } };
        m_server.serveData(ffmpegReleasePath(),
            QJsonDocument(QJsonObject { { "tag_name", "latest" }, { "assets", assets } }).toJson(),
            "application/json");
    }
}

void ToolMirror::withdrawChecksums()
{
    m_server.serveStatus(sumsPath(), 404);
    m_server.serveStatus(path(Tool::deno) + QStringLiteral(".sha256sum"), 404);
    m_server.serveStatus(ffmpegReleasePath(), 404);
}

void ToolMirror::corrupt(Tool tool)
{
    const QString urlPath = path(tool);
    QFile original(m_assets.value(urlPath));
    if (!original.open(QIODevice::ReadOnly))
        return;
    QByteArray data = original.readAll();
    data[data.size() / 2] = char(data.at(data.size() / 2) ^ 0x01);
    const QString copy = QDir(m_workDir).filePath(QStringLiteral("corrupt-%1").arg(++m_packed));
    QFile out(copy);
    if (out.open(QIODevice::WriteOnly) && out.write(data) == data.size()) {
        out.close();
        m_server.serveFile(urlPath, copy);
    }
}
