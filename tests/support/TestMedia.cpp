#include "TestMedia.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

const QStringList quiet = { QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
    QStringLiteral("error"), QStringLiteral("-nostdin"), QStringLiteral("-y") };

QStringList lavfi(const QString& source)
{
    return { QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source };
}

QStringList h264(int fps)
{
    return { QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
        QStringLiteral("ultrafast"), QStringLiteral("-b:v"), QStringLiteral("100k"), QStringLiteral("-g"),
        QString::number(fps), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p") };
}

QStringList hls(const QString& subdir)
{
    return { QStringLiteral("-f"), QStringLiteral("hls"), QStringLiteral("-hls_time"), QStringLiteral("1"),
        QStringLiteral("-hls_playlist_type"), QStringLiteral("vod"), QStringLiteral("-hls_segment_filename"),
        subdir + QStringLiteral("/seg%d.ts"), subdir + QStringLiteral("/index.m3u8") };
}

QStringList clip(const QString& pattern, int frequency, const QString& output)
{
    return quiet + lavfi(pattern + QStringLiteral("=size=320x180:rate=25:duration=2"))
        + lavfi(QStringLiteral("sine=frequency=%1:duration=2").arg(frequency)) + h264(25)
        + QStringList { QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
              QStringLiteral("32k"), QStringLiteral("-shortest"), QStringLiteral("-movflags"),
              QStringLiteral("+faststart"), output };
}

QStringList rendition(int height, int fps)
{
    const QString size = QStringLiteral("%1x%2").arg(height * 16 / 9 / 2 * 2).arg(height);
    const QString dir = QStringLiteral("hls/v%1").arg(height);
    return quiet + lavfi(QStringLiteral("testsrc2=size=%1:rate=%2:duration=2").arg(size).arg(fps)) + h264(fps)
        + QStringList { QStringLiteral("-an") } + hls(dir);
}

QStringList tone(const QStringList& codec, const QStringList& output)
{
    return quiet + lavfi(QStringLiteral("sine=frequency=330:duration=2")) + codec + output;
}

const QByteArray masterPlaylist = R"(#EXTM3U
#EXT-X-VERSION:3
#EXT-X-STREAM-INF:BANDWIDTH=4540000,RESOLUTION=1920x1080,FRAME-RATE=25.000,CODECS="avc1.64002a"
v1080/index.m3u8
#EXT-X-STREAM-INF:BANDWIDTH=2200000,RESOLUTION=1280x720,FRAME-RATE=60.000,CODECS="avc1.64001f"
v720/index.m3u8
#EXT-X-STREAM-INF:BANDWIDTH=900000,RESOLUTION=854x480,CODECS="avc1.64001e"
v480/index.m3u8
#EXT-X-STREAM-INF:BANDWIDTH=128000,CODECS="mp4a.40.2"
audio/index.m3u8
)";

const QByteArray page = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Two clips</title></head>
<body>
<video src="clip.mp4" controls></video>
<video src="clip2.mp4" controls></video>
</body></html>
)";

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

struct Generated {
    QTemporaryDir dir;
    QString error;

    Generated()
    {
        if (!dir.isValid()) {
            error = QStringLiteral("cannot create a temporary folder: ") + dir.errorString();
            return;
        }
        const QDir root(dir.path());
        for (const char* sub : { "hls/v1080", "hls/v720", "hls/v480", "hls/audio" })
            root.mkpath(QString::fromLatin1(sub));
        if (!writeFile(root.filePath(TestMedia::hlsMaster), masterPlaylist)
            || !writeFile(root.filePath(TestMedia::playlistPage), page)) {
            error = QStringLiteral("cannot write into ") + dir.path();
            return;
        }

        const QList<QStringList> jobs = {
            clip(QStringLiteral("testsrc2"), 440, TestMedia::directVideo),
            clip(QStringLiteral("smptebars"), 660, TestMedia::secondVideo),
            rendition(1080, 25),
            rendition(720, 60),
            rendition(480, 25),
            tone({ QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
                     QStringLiteral("32k") },
                hls(QStringLiteral("hls/audio"))),
            tone({ QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
                     QStringLiteral("32k") },
                { TestMedia::audioM4a }),
        };
        // Both cores work at once: the renditions dominate the time.
        std::vector<std::unique_ptr<QProcess>> running;
        for (const QStringList& arguments : jobs) {
            auto process = std::make_unique<QProcess>();
            process->setWorkingDirectory(dir.path());
            process->setProcessChannelMode(QProcess::MergedChannels);
            process->start(QStringLiteral("ffmpeg"), arguments);
            running.push_back(std::move(process));
        }
        for (const auto& process : running) {
            const bool finished = process->waitForFinished(180'000);
            if (error.isEmpty()
                && (!finished || process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0)) {
                error = QStringLiteral("ffmpeg %1 failed: %2 %3")
                            .arg(process->arguments().join(QLatin1Char(' ')), process->errorString(),
                                QString::fromUtf8(process->readAll()));
            }
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished();
            }
        }
    }
};

Generated& generated()
{
    static Generated instance;
    return instance;
}

} // namespace

namespace TestMedia {

QString folder()
{
    return generated().error.isEmpty() ? generated().dir.path() : QString();
}

QString path(const QString& relative)
{
    const QString root = folder();
    return root.isEmpty() ? QString() : QDir(root).filePath(relative);
}

QString error()
{
    return generated().error;
}

} // namespace TestMedia
