// Time to read yt-dlp "-J" documents: flat playlists of 5,000 and 50,000
// entries and a single video with 500 formats, shaped like a large video
// site's answer.
// Prints the decoding of yt-dlp's output (held as text by the process
// runner) and the FormatManager::parse step separately; discovery does both
// on a worker thread, so these figures are the wait, not a frozen window.

#include "FormatManager.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

QJsonArray thumbnails(const QString& id)
{
    QJsonArray result;
    for (const char* size : { "default", "mqdefault", "hqdefault", "sddefault", "maxresdefault" }) {
        result.append(QJsonObject {
            { "url", QStringLiteral("https://i.example.com/vi/%1/%2.jpg").arg(id, QLatin1String(size)) },
            { "height", 720 }, { "width", 1280 } });
    }
    return result;
}

QByteArray playlistDocument(int count)
{
    QJsonArray entries;
    for (int i = 0; i < count; ++i) {
        const QString id = QStringLiteral("vid%1").arg(i, 8, 10, QLatin1Char('0'));
        entries.append(QJsonObject { { "_type", "url" }, { "ie_key", "Youtube" }, { "id", id },
            { "url", QString(QStringLiteral("https://www.example.com/watch?v=") + id) },
            { "title", QStringLiteral("Episode %1 of a rather long running series, with a subtitle").arg(i) },
            { "description", QJsonValue() }, { "duration", 300 + i % 3600 }, { "channel_id", "UC0123456789" },
            { "channel", "Some Channel" }, { "channel_url", "https://www.example.com/channel/UC0123456789" },
            { "uploader", "Some Channel" }, { "thumbnails", thumbnails(id) }, { "view_count", 1000 + i },
            { "live_status", QJsonValue() } });
    }
    const QJsonObject playlist { { "_type", "playlist" }, { "id", "PL0123456789" },
        { "title", "A long playlist" }, { "uploader", QJsonValue() }, { "channel", "Some Channel" },
        { "webpage_url", "https://www.example.com/playlist?list=PL0123456789" },
        { "extractor_key", "YoutubeTab" }, { "extractor", "youtube:tab" }, { "thumbnails", thumbnails("pl") },
        { "playlist_count", count }, { "entries", entries } };
    return QJsonDocument(playlist).toJson(QJsonDocument::Compact);
}

QByteArray formatsDocument(int count)
{
    QJsonArray formats;
    for (int i = 0; i < count; ++i) {
        const bool audio = i % 5 == 0;
        const int height = QList<int> { 144, 240, 360, 480, 720, 1080, 1440, 2160 }[i % 8];
        QJsonObject format { { "format_id", QString::number(100 + i) },
            { "format_note", audio ? "medium" : "720p" }, { "ext", audio ? "m4a" : "mp4" },
            { "protocol", "https" }, { "acodec", audio ? "mp4a.40.2" : "none" },
            { "vcodec", audio ? "none" : "avc1.640028" },
            { "url",
                QStringLiteral(
                    "https://media.example.com/"
                    "videoplayback?itag=%1&expire=1700000000&ei=abcdef&ip=1.2.3.4&id=o-0123456789&source="
                    "youtube&requiressl=yes&mime=video%2Fmp4&sig=0123456789abcdef0123456789abcdef")
                    .arg(i) },
            { "tbr", 100.5 + i }, { "filesize", 1'000'000 + i * 1000 },
            { "fps", audio ? QJsonValue() : QJsonValue(30) },
            { "http_headers", QJsonObject { { "User-Agent", "Mozilla/5.0" }, { "Accept", "*/*" } } } };
        if (!audio) {
            format["height"] = height;
            format["width"] = height * 16 / 9;
        }
        formats.append(format);
    }
    const QJsonObject video { { "id", "abcdefghijk" }, { "title", "One video with many formats" },
        { "uploader", "Someone" }, { "duration", 600 },
        { "thumbnail", "https://i.example.com/vi/abc/maxresdefault.jpg" },
        { "webpage_url", "https://www.example.com/watch?v=abcdefghijk" }, { "extractor_key", "Youtube" },
        { "formats", formats } };
    return QJsonDocument(video).toJson(QJsonDocument::Compact);
}

struct Timing {
    double decodeMs = 0;
    double parseMs = 0;
};

// The smallest time of several runs: the least disturbed by other work on the machine.
Timing measure(const QString& output, int runs, qsizetype& items)
{
    std::vector<double> decode, parse;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const QJsonObject json = QJsonDocument::fromJson(output.toUtf8()).object();
        decode.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        const MediaInfo info = FormatManager::parse(json, QStringLiteral("https://www.example.com/"));
        parse.push_back(timer.nsecsElapsed() / 1e6);
        items = info.entries.size() + info.formats.size();
    }
    return { *std::min_element(decode.begin(), decode.end()), *std::min_element(parse.begin(), parse.end()) };
}

} // namespace

int main()
{
    QTextStream out(stdout);
    const struct {
        const char* name;
        QByteArray document;
    } cases[] = {
        { "playlist of 5,000 entries", playlistDocument(5000) },
        // Ten times larger, to show that the cost grows linearly.
        { "playlist of 50,000 entries", playlistDocument(50000) },
        { "video with 500 formats", formatsDocument(500) },
    };
    for (const auto& c : cases) {
        qsizetype items = 0;
        const Timing timing = measure(QString::fromUtf8(c.document), 10, items);
        out << c.name << ": " << c.document.size() / 1024 << " KiB, " << items
            << " items read; UTF-8 and JSON decoding " << QString::number(timing.decodeMs, 'f', 2)
            << " ms, parse " << QString::number(timing.parseMs, 'f', 2) << " ms, total "
            << QString::number(timing.decodeMs + timing.parseMs, 'f', 2) << " ms (best of 10)\n";
    }
    return 0;
}
