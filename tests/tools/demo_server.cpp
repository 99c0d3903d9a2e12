// Serves the demo's stand-in internet on 127.0.0.1 until it is stopped: the
// tool mirror and the sample media. Prints the mirror's origin on the first
// line and the sample links after it.
#include "DemoSite.h"
#include "TestMedia.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    DemoSite site;
    QTextStream out(stdout);
    if (!site.error().isEmpty()) {
        QTextStream(stderr) << site.error() << Qt::endl;
        return 1;
    }
    out << site.origin() << Qt::endl;
    out << "A single video:  " << site.link(TestMedia::directVideo) << Qt::endl;
    out << "HLS, 1080p/720p/480p and audio:  " << site.link(TestMedia::hlsMaster) << Qt::endl;
    out << "A page with two videos (a playlist):  " << site.link(TestMedia::playlistPage) << Qt::endl;
    return QCoreApplication::exec();
}
