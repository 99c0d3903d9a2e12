// Throughput of child-process output handling: bytes per second through a
// LineBuffer alone, and lines per second end to end from a real child to the
// line handler of a ManagedProcess. The paced run checks that the child, not
// this program, is the bottleneck: it prints the share of one core the
// reading side used while a child writes 200,000 short lines per second.

#include "LineBuffer.h"
#include "ManagedProcess.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <qcoro/qcorotask.h>

#include <sys/resource.h>

namespace {

QTextStream out(stdout);

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void lineBufferThroughput()
{
    // yt-dlp's shape: carriage-return progress updates between a few full lines.
    QByteArray block;
    for (int i = 0; i < 1000; ++i) {
        block += "[download]  " + QByteArray::number(i % 100)
            + ".3% of ~ 1.21GiB at  8.52MiB/s ETA 02:11 (frag 12/200)\r";
        if (i % 50 == 0)
            block += "[info] Writing video metadata as JSON to: caf\xc3\xa9 \xe2\x80\x94 clip.info.json\n";
    }
    constexpr qsizetype chunk = 64 * 1024;
    const qint64 rounds = 4000;
    qint64 bytes = 0;
    qint64 lines = 0;
    LineBuffer buffer;
    QElapsedTimer clock;
    clock.start();
    for (qint64 round = 0; round < rounds; ++round) {
        for (qsizetype at = 0; at < block.size(); at += chunk) {
            const QByteArrayView piece = QByteArrayView(block).sliced(at, std::min(chunk, block.size() - at));
            lines += buffer.feed(piece).size();
            bytes += piece.size();
        }
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    out << QStringLiteral("LineBuffer: %1 MB in %2 s: %3 MB/s, %4 lines/s\n")
               .arg(bytes / 1e6, 0, 'f', 0)
               .arg(seconds, 0, 'f', 2)
               .arg(bytes / 1e6 / seconds, 0, 'f', 0)
               .arg(lines / seconds, 0, 'f', 0);
}

struct ChildRun {
    qint64 lines = 0;
    qint64 bytes = 0;
    double wall = 0;
    double cpu = 0;
};

ChildRun runChild(const QString& program, const QStringList& arguments)
{
    ChildRun run;
    ManagedProcess child(program, arguments);
    child.setLineHandler([&run](const QString& line, StreamKind) {
        ++run.lines;
        run.bytes += line.size() + 1;
    });
    QElapsedTimer clock;
    const double cpuBefore = cpuSeconds();
    clock.start();
    if (const auto error = child.start()) {
        out << QStringLiteral("could not start %1: %2\n").arg(program, *error);
        return run;
    }
    QCoro::waitFor(child.wait());
    run.wall = clock.nsecsElapsed() / 1e9;
    run.cpu = cpuSeconds() - cpuBefore;
    return run;
}

void report(const QString& title, const ChildRun& run)
{
    out << QStringLiteral("%1: %2 lines in %3 s: %4 lines/s, %5 MB/s; reading side used %6 % of one core\n")
               .arg(title)
               .arg(run.lines)
               .arg(run.wall, 0, 'f', 2)
               .arg(run.lines / run.wall, 0, 'f', 0)
               .arg(run.bytes / 1e6 / run.wall, 0, 'f', 1)
               .arg(100 * run.cpu / run.wall, 0, 'f', 1);
    out.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;

    lineBufferThroughput();
    out.flush();

    // As fast as the child can write: the end-to-end ceiling.
    const QString flood = TestSupport::writeScript(dir.filePath(QStringLiteral("flood.sh")),
        "#!/bin/sh\nyes '[download]  42.0% of 1.00GiB at 10.00MiB/s ETA 01:00' | head -n 5000000\n");
    report(QStringLiteral("Child at full speed"), runChild(flood, {}));

    // 200,000 progress lines per second for five seconds, written every millisecond.
    const QString paced
        = TestSupport::writeScript(dir.filePath(QStringLiteral("paced.py")), R"(#!/usr/bin/env python3
import os, sys, time
rate, seconds, tick = 200000, 5, 0.001
lines = [b"[download] %5.1f%% ETA 01:00\r" % (i % 1000 / 10) for i in range(int(rate * tick))]
batch = b"".join(lines)
per_line = "--write-per-line" in sys.argv
start = time.monotonic()
for n in range(int(seconds / tick)):
    if per_line:
        for line in lines:
            os.write(1, line)
    else:
        os.write(1, batch)
    delay = start + (n + 1) * tick - time.monotonic()
    if delay > 0:
        time.sleep(delay)
)");
    report(QStringLiteral("Child at 200,000 lines/s in 1 ms batches"), runChild(paced, {}));
    // The same rate with one write per line, as a child that flushes every line does.
    report(QStringLiteral("Child at 200,000 lines/s, one write per line"),
        runChild(paced, { QStringLiteral("--write-per-line") }));
    return 0;
}
