// Download throughput of FileDownloader over loopback for a 500 MB file, and
// how much the resident memory grows meanwhile (the body must be streamed).
#include "FileDownloader.h"
#include "TestHttpServer.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr qint64 fileSize = 500LL * 1000 * 1000;

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
qint64 statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Makes VmHWM start again from the current resident size.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.bin"));
    {
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < block.size(); ++i)
            block[i] = char(i * 131 % 251);
        for (qint64 written = 0; written < fileSize; written += block.size())
            file.write(block.constData(), std::min<qint64>(block.size(), fileSize - written));
    }
    TestHttpServer server;
    server.serveFile(QStringLiteral("/big.bin"), source);
    const QString dest = dir.filePath(QStringLiteral("download.bin"));

    FileDownloader downloader;
    int progressCalls = 0;
    const qint64 before = statusKb("VmRSS");
    resetPeak();
    QElapsedTimer timer;
    timer.start();
    auto task
        = downloader.download(server.url(QStringLiteral("/big.bin")), dest, [&](double) { ++progressCalls; });
    const std::optional<ToolError> error = QCoro::waitFor(std::move(task));
    const double seconds = timer.nsecsElapsed() / 1e9;
    const qint64 peak = statusKb("VmHWM");

    if (error || QFileInfo(dest).size() != fileSize) {
        std::printf("download failed: %s\n", error ? qPrintable(error->description) : "size mismatch");
        return 1;
    }
    const double growthMb = (peak - before) / 1024.0;
    std::printf("FileDownloader, %lld MB over loopback: %.2f s, %.1f MB/s, %d progress calls\n",
        fileSize / 1000000, seconds, fileSize / 1e6 / seconds, progressCalls);
    std::printf("resident memory: %.1f MB before, %.1f MB peak, growth %.1f MB (limit 32 MB): %s\n",
        before / 1024.0, peak / 1024.0, growthMb, growthMb < 32 ? "streams" : "TOO MUCH");
    return growthMb < 32 ? 0 : 2;
}
