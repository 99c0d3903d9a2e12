#include "FakeTools.h"

#include "TestSupport.h"
#include "Tool.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QByteArray ytdlpScript = R"PY(#!/usr/bin/python3
import json, os, sys, time
here = os.path.dirname(os.path.abspath(__file__))
args = sys.argv[1:]
def record(kind, link):
    with open(os.path.join(here, "fake-runs.log"), "a") as f:
        f.write(kind + " " + link + "\n")
if "--version" in args:
    print("2099.01.01")
    sys.exit(0)
if "--list-extractors" in args:
    for i in range(150):
        print("Extractor%d" % i)
    sys.exit(0)
link = args[-1] if args else ""
if "-J" in args:
    try:
        with open(os.path.join(here, "fake-info.json")) as f:
            answers = json.load(f)
    except OSError:
        answers = {}
    answer = answers.get(link)
    if answer is None:
        sys.stderr.write("ERROR: Unsupported URL: " + link + "\n")
        record("info", link)
        sys.exit(1)
    time.sleep(answer.get("delay", 0))
    print(json.dumps(answer["document"]))
    record("info", link)
    sys.exit(0)
record("download", link)
try:
    with open(os.path.join(here, "fake-download-seconds")) as f:
        time.sleep(float(f.read()))
except OSError:
    pass
sys.exit(0)
)PY";

const QByteArray ffmpegScript
    = "#!/bin/sh\necho \"$(basename \"$0\") version 5.1.9 Copyright (c) the FFmpeg developers\"\n";
const QByteArray denoScript = "#!/bin/sh\n"
                              "if [ \"$1\" = eval ]; then echo 42; exit 0; fi\n"
                              "echo 'deno 2.0.0 (stable, release, x86_64-unknown-linux-gnu)'\n";

} // namespace

namespace FakeTools {

QString install()
{
    const QDir tools(toolsDirectory());
    const QList<QPair<QString, QByteArray>> scripts { { QStringLiteral("yt-dlp"), ytdlpScript },
        { QStringLiteral("ffmpeg"), ffmpegScript }, { QStringLiteral("ffprobe"), ffmpegScript },
        { QStringLiteral("deno"), denoScript } };
    for (const auto& [name, content] : scripts) {
        QFile::remove(tools.filePath(name));
        if (TestSupport::writeScript(tools.filePath(name), content).isEmpty())
            return QStringLiteral("cannot write the stand-in ") + name;
    }
    for (const char* state : { "fake-info.json", "fake-runs.log", "fake-download-seconds" })
        QFile::remove(tools.filePath(QString::fromLatin1(state)));
    return {};
}

void setInfo(const QString& url, const QJsonObject& document, double delaySeconds)
{
    const QString path = QDir(toolsDirectory()).filePath(QStringLiteral("fake-info.json"));
    QJsonObject answers = QJsonDocument::fromJson(TestSupport::readFile(path)).object();
    answers.insert(url,
        QJsonObject { { QStringLiteral("document"), document }, { QStringLiteral("delay"), delaySeconds } });
    TestSupport::writeFile(path, QJsonDocument(answers).toJson());
}

void setDownloadSeconds(double seconds)
{
    TestSupport::writeFile(QDir(toolsDirectory()).filePath(QStringLiteral("fake-download-seconds")),
        QByteArray::number(seconds));
}

QStringList runs()
{
    const QString path = QDir(toolsDirectory()).filePath(QStringLiteral("fake-runs.log"));
    return QString::fromUtf8(TestSupport::readFile(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QJsonObject videoDocument(const QString& id, const QString& title)
{
    const QJsonObject format { { "format_id", "18" }, { "ext", "mp4" }, { "height", 360 },
        { "vcodec", "avc1.42001E" }, { "acodec", "mp4a.40.2" } };
    return { { "id", id }, { "title", title }, { "duration", 12.5 }, { "uploader", "Uploader" },
        { "webpage_url", QString("https://example.com/" + id) }, { "extractor", "generic" },
        { "formats", QJsonArray { format } } };
}

QJsonObject playlistDocument(const QString& title, int count)
{
    QJsonArray entries;
    for (int i = 1; i <= count; ++i)
        entries.append(QJsonObject { { "id", QStringLiteral("item%1").arg(i) },
            { "title", QStringLiteral("Item %1").arg(i) },
            { "url", QStringLiteral("https://example.com/item%1").arg(i) } });
    return { { "_type", "playlist" }, { "id", "list" }, { "title", title }, { "extractor", "generic" },
        { "entries", entries } };
}

} // namespace FakeTools
