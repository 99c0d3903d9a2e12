// Regenerates the yt-dlp "-J" documents kept in tests/data/ytdlp: serves the
// test media on 127.0.0.1, asks the installed yt-dlp about each link with the
// options the program itself uses, and stores the answers unchanged.
//   generate_media_json <output folder>      (usually tests/data/ytdlp)
#include "TestHttpServer.h"
#include "TestMedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: generate_media_json <output folder>\n";
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    if (!output.mkpath(QStringLiteral("."))) {
        err << "cannot create " << output.path() << '\n';
        return 1;
    }
    if (TestMedia::folder().isEmpty()) {
        err << TestMedia::error() << '\n';
        return 1;
    }
    TestHttpServer server;
    server.serveDirectory(QStringLiteral("/media/"), TestMedia::folder());
    const QList<std::pair<QString, QString>> documents
        = { { "direct.json", TestMedia::directVideo }, { "hls.json", TestMedia::hlsMaster }, { "page.json", TestMedia::playlistPage } };
    for (const auto& [name, media] : documents) {
        QProcess ytdlp;
        ytdlp.start("yt-dlp", { "--ignore-config", "--no-colors", "-J", "--flat-playlist", "--no-warnings", "--", server.url("/media/" + media).toString() });
        if (!ytdlp.waitForFinished(120'000) || ytdlp.exitCode() != 0) {
            err << "yt-dlp failed for " << media << ": " << ytdlp.readAllStandardError() << '\n';
            return 1;
        }
        QFile file(output.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(ytdlp.readAllStandardOutput()) < 0) {
            err << "cannot write " << file.fileName() << '\n';
            return 1;
        }
        err << "wrote " << file.fileName() << '\n';
    }
    return 0;
}
