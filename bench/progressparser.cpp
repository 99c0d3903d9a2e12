// Lines per second of ProgressParser::parse on a realistic mix of yt-dlp
// output: mostly progress markers, some plain lines, warnings and errors.
#include "ProgressParser.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <cstdio>

namespace {

QList<QString> sampleLines()
{
    QList<QString> lines;
    const QString file
        = QStringLiteral("/home/ann/Downloads/Some Channel | Live Set 2023 [dQw4w9WgXcQ].f137.mp4");
    for (int i = 0; i < 60; ++i) {
        const qint64 done = 1024LL * (i + 1) * 3779;
        lines << QStringLiteral("KWPROG|%1|%2|NA|%3|%4|%5")
                     .arg(done)
                     .arg(251658240)
                     .arg(2348156.4473 + i * 17.125, 0, 'f', 12)
                     .arg(97 - i)
                     .arg(file);
    }
    for (int i = 0; i < 10; ++i)
        lines << QStringLiteral("KWPROG|%1.7|NA|%2.5|NA|NA|%3").arg(4096 * i).arg(9000000 + i).arg(file);
    lines << QStringLiteral("KWPROG|NA|NA|NA|NA|NA|")
          << QStringLiteral("KWPROG| 1024 |2048| NA |1e3|5.9|x|y");
    for (int i = 0; i < 5; ++i)
        lines << QStringLiteral("KWPP|Merger|started") << QStringLiteral("KWPP|MoveFiles|finished");
    lines << QStringLiteral("KWITEM|3|12|Live Set | Part 3") << QStringLiteral("KWITEM||NA|Untitled")
          << QStringLiteral("KWFILE|/home/ann/Downloads/Playlist/003 - Live Set [abc].mp4")
          << QStringLiteral("[download] Destination: /home/ann/Downloads/clip.f137.mp4")
          << QStringLiteral("[Merger] Merging formats into \"/home/ann/Downloads/clip.mp4\"")
          << QStringLiteral("[youtube] dQw4w9WgXcQ: Downloading webpage")
          << QStringLiteral("[info] dQw4w9WgXcQ: Downloading 1 format(s): 137+140")
          << QStringLiteral("[download]  45.3% of ~ 240.00MiB at    2.24MiB/s ETA 00:59 (frag 12/27)")
          << QStringLiteral("Deleting original file /home/ann/Downloads/clip.f140.m4a (pass -k to keep)")
          << QStringLiteral("WARNING: [youtube] Falling back to generic n function search")
          << QStringLiteral("ERROR: [youtube] dQw4w9WgXcQ: Sign in to confirm your age")
          << QStringLiteral("ERROR: unable to download video data: HTTP Error 403: Forbidden") << QString();
    return lines;
}

} // namespace

int main()
{
    const QList<QString> lines = sampleLines();
    constexpr int rounds = 40000;
    qsizetype events = 0;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < rounds; ++round) {
        for (const QString& line : lines)
            events += ProgressParser::parse(line).has_value();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double total = double(rounds) * lines.size();
    std::printf(
        "ProgressParser::parse: %.0f lines in %.3f s = %.2f million lines/s (%lld events, %lld-line mix)\n",
        total, seconds, total / seconds / 1e6, static_cast<long long>(events),
        static_cast<long long>(lines.size()));

    const QString runTogether = QStringLiteral(
        "KWPP|ExtractAudio|startedKWPP|ExtractAudio|finishedKWPP|Metadata|startedWARNING: something odd");
    qsizetype pieces = 0;
    timer.restart();
    for (int round = 0; round < rounds * 10; ++round)
        pieces += ProgressParser::splitMarkers(round % 2 ? runTogether : lines[round % lines.size()]).size();
    const double splitSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("ProgressParser::splitMarkers: %.2f million lines/s (%lld pieces)\n",
        rounds * 10 / splitSeconds / 1e6, static_cast<long long>(pieces));
    return 0;
}
