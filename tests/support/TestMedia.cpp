#include "TestMedia.h"

#include "TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

// ffmpeg arguments, split at blanks when run (no path holds one).
const QString video = QStringLiteral("-c:v libx264 -preset ultrafast -b:v 100k -g %1 -pix_fmt yuv420p");
const QString aac = QStringLiteral("-c:a aac -b:a 32k");
const QString hls = QStringLiteral(
    "-f hls -hls_time 1 -hls_playlist_type vod -hls_segment_filename hls/%1/seg%d.ts hls/%1/index.m3u8");
const QString clip = QStringLiteral("-f lavfi -i %1=size=320x180:rate=25:duration=2 -f lavfi -i "
                                    "sine=frequency=%2:duration=2 %3 %4 -shortest -movflags +faststart %5");
const QString rendition = QStringLiteral("-f lavfi -i testsrc2=size=%1x%2:rate=%3:duration=2 %4 -an %5");
const QString tone = QStringLiteral("-f lavfi -i sine=frequency=330:duration=2 %1 %2");

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

struct Generated {
    QTemporaryDir dir;
    QString error;

    Generated()
    {
        const QDir root(dir.path());
        for (const char* sub : { "hls/v1080", "hls/v720", "hls/v480", "hls/audio" })
            root.mkpath(QString::fromLatin1(sub));
        if (!dir.isValid() || !TestSupport::writeFile(root.filePath(TestMedia::hlsMaster), masterPlaylist)
            || !TestSupport::writeFile(root.filePath(TestMedia::playlistPage), page)) {
            error = QStringLiteral("cannot write into ") + dir.path();
            return;
        }
        QStringList jobs { clip.arg("testsrc2").arg(440).arg(video.arg(25), aac, TestMedia::directVideo),
            clip.arg("smptebars").arg(660).arg(video.arg(25), aac, TestMedia::secondVideo),
            tone.arg(aac, hls.arg("audio")) };
        for (const auto& [height, fps] : { std::pair(1080, 25), std::pair(720, 60), std::pair(480, 25) })
            jobs << rendition.arg(height * 16 / 9 / 2 * 2)
                        .arg(height)
                        .arg(fps)
                        .arg(video.arg(fps), hls.arg(QStringLiteral("v%1").arg(height)));
        // Both cores work at once: the renditions dominate the time.
        std::vector<std::unique_ptr<QProcess>> running;
        for (const QString& job : jobs) {
            running.push_back(std::make_unique<QProcess>());
            running.back()->setWorkingDirectory(dir.path());
            running.back()->setProcessChannelMode(QProcess::MergedChannels);
            running.back()->start(QStringLiteral("ffmpeg"),
                QStringLiteral("-hide_banner -loglevel error -nostdin -y ").split(u' ', Qt::SkipEmptyParts)
                    + job.split(u' '));
        }
        for (const auto& process : running) {
            const bool finished = process->waitForFinished(180'000);
            if (error.isEmpty()
                && (!finished || process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0))
                error = QStringLiteral("ffmpeg %1 failed: %2 %3")
                            .arg(process->arguments().join(u' '), process->errorString(),
                                QString::fromUtf8(process->readAll()));
            process->kill();
            process->waitForFinished();
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

QString error()
{
    return generated().error;
}

} // namespace TestMedia
