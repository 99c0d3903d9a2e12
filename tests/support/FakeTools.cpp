#include "FakeTools.h"

#include "TestSupport.h"
#include "Tool.h"

#include <QDir>
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
def read(name, default):
    try:
        with open(os.path.join(here, name)) as f:
            return f.read()
    except OSError:
        return default
if "--version" in args:
    print("2099.01.01")
    sys.exit(0)
if "--list-extractors" in args:
    print("\n".join("Extractor%d" % i for i in range(150)))
    sys.exit(0)
link = args[-1] if args else ""
if "-J" in args:
    answer = json.loads(read("fake-info.json", "{}")).get(link)
    if answer is None:
        sys.stderr.write("ERROR: Unsupported URL: " + link + "\n")
    else:
        time.sleep(answer.get("delay", 0))
        print(json.dumps(answer["document"]))
    record("info", link)
    sys.exit(1 if answer is None else 0)
record("download", link)
time.sleep(float(read("fake-download-seconds", "0")))
)PY";

const QByteArray ffmpegScript
    = "#!/bin/sh\necho \"$(basename \"$0\") version 5.1.9 Copyright (c) the FFmpeg developers\"\n";
const QByteArray denoScript = "#!/bin/sh\n"
                              "if [ \"$1\" = eval ]; then echo 42; exit 0; fi\n"
                              "echo 'deno 2.0.0 (stable, release, x86_64-unknown-linux-gnu)'\n";

QString stateFile(const char* name)
{
    return QDir(toolsDirectory()).filePath(QString::fromLatin1(name));
}

} // namespace

namespace FakeTools {

QString install()
{
    const QList<std::pair<Tool, QByteArray>> scripts { { Tool::ytdlp, ytdlpScript },
        { Tool::ffmpeg, ffmpegScript }, { Tool::ffprobe, ffmpegScript }, { Tool::deno, denoScript } };
    for (const auto& [tool, content] : scripts) {
        QFile::remove(toolPath(tool));
        if (TestSupport::writeScript(toolPath(tool), content).isEmpty())
            return QStringLiteral("cannot write the stand-in ") + fileName(tool);
    }
    for (const char* state : { "fake-info.json", "fake-runs.log", "fake-download-seconds" })
        QFile::remove(stateFile(state));
    return {};
}

void setInfo(const QString& url, const QJsonObject& document, double delaySeconds)
{
    QJsonObject answers
        = QJsonDocument::fromJson(TestSupport::readFile(stateFile("fake-info.json"))).object();
    answers.insert(url, QJsonObject { { "document", document }, { "delay", delaySeconds } });
    TestSupport::writeFile(stateFile("fake-info.json"), QJsonDocument(answers).toJson());
}

void setDownloadSeconds(double seconds)
{
    TestSupport::writeFile(stateFile("fake-download-seconds"), QByteArray::number(seconds));
}

QStringList runs()
{
    return QString::fromUtf8(TestSupport::readFile(stateFile("fake-runs.log")))
        .split(u'\n', Qt::SkipEmptyParts);
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
