#include "ArchiveExtractor.h"
#include "TestArchive.h"
#include "TestSupport.h"

#include <QCoroTask>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using TestArchive::Entry;
using TestArchive::Format;
Q_DECLARE_METATYPE(QList<TestArchive::Entry>)
Q_DECLARE_METATYPE(TestArchive::Format)

using TestSupport::readFile;

// Every archive is unpacked into <tmp>/work/x; nothing may appear elsewhere in <tmp>.
class TestArchiveExtractor : public QObject {
    Q_OBJECT

private slots:
    void extraction_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("files"); // expected below x, in order of the check

        const QByteArray tool = "#!/bin/sh\necho 1\n";
        QTest::newRow("zip with a bin folder")
            << Format::zip
            << QList<Entry> { TestArchive::directory("pkg/"), TestArchive::directory("pkg/bin/"),
                   TestArchive::file("pkg/bin/ffmpeg", tool, 0755), TestArchive::file("pkg/README", "hi") }
            << true << QStringList { "pkg/bin/ffmpeg", "pkg/README" };
        QTest::newRow("tar.xz without folder entries")
            << Format::tarXz << QList<Entry> { TestArchive::file("a/b/c/ffprobe", tool, 0755) } << true
            << QStringList { "a/b/c/ffprobe" };
        QTest::newRow("symlink and hard link that stay inside")
            << Format::tarXz
            << QList<Entry> { TestArchive::file("d/real", tool),
                   TestArchive::symlink("d/sub/link", "../real"), TestArchive::hardlink("d/hard", "d/real") }
            << true << QStringList { "d/real", "d/sub/link", "d/hard" };
        QTest::newRow("dot-dot name")
            << Format::tarXz
            << QList<Entry> { TestArchive::file("ok", tool), TestArchive::file("../evil", tool) } << false
            << QStringList {};
        QTest::newRow("dot-dot inside a zip name")
            << Format::zip << QList<Entry> { TestArchive::file("a/../../evil", tool) } << false
            << QStringList {};
        QTest::newRow("absolute name")
            << Format::tarXz << QList<Entry> { TestArchive::file("/ABSOLUTE/evil", tool) } << false
            << QStringList {};
        QTest::newRow("symlink pointing out")
            << Format::zip << QList<Entry> { TestArchive::symlink("bin/link", "../../evil") } << false
            << QStringList {};
        QTest::newRow("absolute symlink")
            << Format::tarXz << QList<Entry> { TestArchive::symlink("etc", "/etc") } << false
            << QStringList {};
        QTest::newRow("symlink then a file through it")
            << Format::tarXz
            << QList<Entry> { TestArchive::symlink("up", ".."), TestArchive::file("up/evil", tool) } << false
            << QStringList {};
        // Each link looks inside on its own; together they lead out.
        QTest::newRow("chained symlinks then a file through them")
            << Format::tarXz
            << QList<Entry> { TestArchive::symlink("d/u", ".."), TestArchive::symlink("x", "d/u/.."),
                   TestArchive::file("x/evil2", tool) }
            << false << QStringList {};
        QTest::newRow("hard link pointing out")
            << Format::tarXz << QList<Entry> { TestArchive::hardlink("h", "../evil") } << false
            << QStringList {};
        QTest::newRow("symlink climbing through another link")
            << Format::tarXz
            << QList<Entry> { TestArchive::symlink("deep/l", ".."), TestArchive::symlink("deep/a", "l/..") }
            << false << QStringList {};
        QTest::newRow("later link turns an earlier target outward")
            << Format::tarXz
            << QList<Entry> { TestArchive::symlink("q", "r/.."), TestArchive::symlink("r", ".") } << false
            << QStringList {};
        QTest::newRow("hard link to a symlink in a shallower folder")
            << Format::tarXz
            << QList<Entry> { TestArchive::symlink("a/b/s", "../.."), TestArchive::hardlink("h", "a/b/s") }
            << false << QStringList {};
    }

    void extraction()
    {
        QFETCH(Format, format);
        QFETCH(QList<Entry>, entries);
        QFETCH(bool, accepted);
        QFETCH(QStringList, files);

        QTemporaryDir tmp;
        QDir root(tmp.path());
        QVERIFY(root.mkpath(QStringLiteral("work/x")));
        // Something to steal for a hard link that points out.
        const QString evil = root.filePath(QStringLiteral("work/evil"));
        QVERIFY(TestSupport::writeFile(evil, "outside"));
        const QString archive = root.filePath(QStringLiteral("work/download.zip"));
        for (Entry& entry : entries) {
            entry.name.replace(QStringLiteral("/ABSOLUTE"), tmp.path());
        }
        QVERIFY(TestArchive::write(archive, format, entries));

        const QString x = root.filePath(QStringLiteral("work/x"));
        const std::optional<QString> error = ArchiveExtractor::extract(archive, x);
        QCOMPARE(!error.has_value(), accepted);
        if (error)
            QVERIFY(!error->isEmpty());
        for (const QString& file : files)
            QVERIFY2(QFileInfo(QDir(x).filePath(file)).isFile(), qPrintable(file));
        // Nothing was written outside x, and the file outside is untouched.
        QCOMPARE(root.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList { "work" });
        QCOMPARE(QDir(root.filePath("work")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList({ "download.zip", "evil", "x" }));
        QCOMPARE(readFile(evil), QByteArray("outside"));
        // No link left behind leads out.
        const QString inside = QFileInfo(x).canonicalFilePath();
        QDirIterator links(x, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (links.hasNext()) {
            const QFileInfo link(links.next());
            const QString target = link.canonicalFilePath();
            if (link.isSymLink() && !target.isEmpty())
                QVERIFY2(target == inside || target.startsWith(inside + '/'), qPrintable(link.filePath()));
        }
        QVERIFY(!QFileInfo::exists(QStringLiteral("/etc/evil")));
    }

    void unreadableArchivesReportLibarchiveErrors_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not an archive") << QByteArray("<html>Not Found</html>");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("truncated xz") << QByteArray("\xFD"
                                                    "7zXZ\0\0\x04\xE6\xD6\xB4\x46",
            12);
    }

    void unreadableArchivesReportLibarchiveErrors()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir tmp;
        const QString archive = tmp.filePath(QStringLiteral("download.zip"));
        QVERIFY(TestSupport::writeFile(archive, content));
        QVERIFY(QDir(tmp.path()).mkdir(QStringLiteral("x")));
        const std::optional<QString> error = ArchiveExtractor::extract(archive, tmp.filePath("x"));
        QVERIFY(error.has_value());
        QVERIFY(!error->isEmpty());
    }

    void truncatedMemberDataFails()
    {
        QTemporaryDir tmp;
        const QString archive = tmp.filePath(QStringLiteral("a.tar.xz"));
        QVERIFY(TestArchive::write(
            archive, Format::tarXz, { TestArchive::file("big", QByteArray(1 << 20, 'z')) }));
        QVERIFY(QFile::resize(archive, QFileInfo(archive).size() / 2));
        QVERIFY(QDir(tmp.path()).mkdir(QStringLiteral("x")));
        QVERIFY(ArchiveExtractor::extract(archive, tmp.filePath("x")).has_value());
    }

    void destinationReachedThroughASymlinkWorksInBackground()
    {
        QTemporaryDir tmp;
        QDir root(tmp.path());
        QVERIFY(root.mkdir(QStringLiteral("real")));
        QVERIFY(QFile::link(root.filePath("real"), root.filePath("alias")));
        const QString archive = root.filePath(QStringLiteral("deno.zip"));
        QVERIFY(TestArchive::write(archive, Format::zip, { TestArchive::file("deno", "binary", 0755) }));

        auto task = ArchiveExtractor::extractInBackground(archive, root.filePath(QStringLiteral("alias")));
        QCOMPARE(QCoro::waitFor(std::move(task)), std::nullopt);
        QCOMPARE(readFile(root.filePath(QStringLiteral("real/deno"))), QByteArray("binary"));
    }
};

QTEST_GUILESS_MAIN(TestArchiveExtractor)
#include "tst_archiveextractor.moc"
