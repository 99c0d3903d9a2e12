#include "ArchiveExtractor.h"
#include "TestArchive.h"
#include "TestSupport.h"
#include "ToolFiles.h"

#include <QCoroTask>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace TestArchive;
using TestSupport::readFile;
using TestSupport::writeFile;
Q_DECLARE_METATYPE(QList<TestArchive::Entry>)
Q_DECLARE_METATYPE(TestArchive::Format)

namespace {
const QByteArray tool = "#!/bin/sh\necho 1\n";
} // namespace

// Unpacking a tool's archive, finding the tool in it and moving it into place.
class TestArchiveExtractor : public QObject {
    Q_OBJECT

private slots:
    // Every archive is unpacked into <tmp>/work/x; nothing may appear elsewhere in <tmp>.
    void extraction_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<QByteArray>("raw"); // the download itself when there are no entries
        QTest::addColumn<QStringList>("files"); // expected below x; empty: refused

        QTest::newRow("zip with a bin folder") << Format::zip << QList<Entry> { directory("pkg/"), directory("pkg/bin/"), file("pkg/bin/ffmpeg", tool, 0755), file("pkg/README", "hi") } << QByteArray() << QStringList { "pkg/bin/ffmpeg", "pkg/README" };
        QTest::newRow("tar.xz without folder entries") << Format::tarXz << QList<Entry> { file("a/b/c/ffprobe", tool, 0755) } << QByteArray() << QStringList { "a/b/c/ffprobe" };
        QTest::newRow("symlink and hard link that stay inside") << Format::tarXz << QList<Entry> { file("d/real", tool), symbolicLink("d/sub/link", "../real"), hardlink("d/hard", "d/real") } << QByteArray() << QStringList { "d/real", "d/sub/link", "d/hard" };
        QTest::newRow("dot-dot name") << Format::tarXz << QList<Entry> { file("ok", tool), file("../evil", tool) } << QByteArray() << QStringList();
        QTest::newRow("dot-dot inside a zip name") << Format::zip << QList<Entry> { file("a/../../evil", tool) } << QByteArray() << QStringList();
        QTest::newRow("absolute name") << Format::tarXz << QList<Entry> { file("/ABSOLUTE/evil", tool) } << QByteArray() << QStringList();
        QTest::newRow("symlink pointing out") << Format::zip << QList<Entry> { symbolicLink("bin/link", "../../evil") } << QByteArray() << QStringList();
        QTest::newRow("absolute symlink") << Format::tarXz << QList<Entry> { symbolicLink("etc", "/etc") } << QByteArray() << QStringList();
        QTest::newRow("symlink then a file through it") << Format::tarXz << QList<Entry> { symbolicLink("up", ".."), file("up/evil", tool) } << QByteArray() << QStringList();
        // Each link looks inside on its own; together they lead out.
        QTest::newRow("chained symlinks then a file through them") << Format::tarXz << QList<Entry> { symbolicLink("d/u", ".."), symbolicLink("x", "d/u/.."), file("x/evil2", tool) } << QByteArray() << QStringList();
        QTest::newRow("hard link pointing out") << Format::tarXz << QList<Entry> { hardlink("h", "../evil") } << QByteArray() << QStringList();
        QTest::newRow("symlink climbing through another link") << Format::tarXz << QList<Entry> { symbolicLink("deep/l", ".."), symbolicLink("deep/a", "l/..") } << QByteArray() << QStringList();
        QTest::newRow("later link turns an earlier target outward") << Format::tarXz << QList<Entry> { symbolicLink("q", "r/.."), symbolicLink("r", ".") } << QByteArray() << QStringList();
        QTest::newRow("hard link to a symlink in a shallower folder") << Format::tarXz << QList<Entry> { symbolicLink("a/b/s", "../.."), hardlink("h", "a/b/s") } << QByteArray() << QStringList();

        QTest::newRow("not an archive") << Format::zip << QList<Entry>() << QByteArray("<html>Not Found</html>") << QStringList();
        QTest::newRow("empty file") << Format::zip << QList<Entry>() << QByteArray() << QStringList();
        QTest::newRow("truncated xz header") << Format::tarXz << QList<Entry>() << QByteArray("\xFD" "7zXZ\0\0\x04\xE6\xD6\xB4\x46", 12) << QStringList();
        QTemporaryDir tmp;
        QVERIFY(TestArchive::write(tmp.filePath("big"), Format::tarXz, { file("big", QByteArray(1 << 20, 'z')) }));
        const QByteArray big = readFile(tmp.filePath("big"));
        QTest::newRow("truncated member data") << Format::tarXz << QList<Entry>() << big.left(big.size() / 2) << QStringList();
    }

    void extraction()
    {
        QFETCH(Format, format);
        QFETCH(QList<Entry>, entries);
        QFETCH(QByteArray, raw);
        QFETCH(QStringList, files);
        QTemporaryDir tmp;
        const QDir work(tmp.filePath("work"));
        const QString x = work.filePath("x"), archive = work.filePath("download.zip"), evil = work.filePath("evil");
        QVERIFY(work.mkpath("x"));
        QVERIFY(QFile::link(x, work.filePath("into-x"))); // the destination is reached through a link, as /tmp often is
        QVERIFY(writeFile(evil, "outside")); // for a hard link that points out to steal
        for (Entry& entry : entries)
            entry.name.replace("/ABSOLUTE", tmp.path());
        QVERIFY(entries.isEmpty() ? writeFile(archive, raw) : TestArchive::write(archive, format, entries));

        const std::optional<QString> error = QCoro::waitFor(ArchiveExtractor::extractInBackground(archive, work.filePath("into-x")));
        QCOMPARE(error.has_value(), files.isEmpty());
        QVERIFY(!error || !error->isEmpty());
        for (const QString& file : files)
            QVERIFY2(QFileInfo(QDir(x).filePath(file)).isFile(), qPrintable(file));
        // Nothing was written outside x, the file outside is untouched, and no link inside leads out.
        QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList { "work" });
        QCOMPARE(work.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({ "download.zip", "evil", "into-x", "x" }));
        QCOMPARE(readFile(evil), QByteArray("outside"));
        const QString inside = QFileInfo(x).canonicalFilePath();
        QDirIterator it(x, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString target = QFileInfo(it.next()).canonicalFilePath();
            QVERIFY2(target.isEmpty() || target == inside || target.startsWith(inside + '/'), qPrintable(target));
        }
    }

    void findExecutable()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("pkg/doc/deep/ffmpeg"), "doc"));
        QVERIFY(writeFile(dir.filePath("pkg/bin/ffmpeg"), "tool"));
        QVERIFY(writeFile(dir.filePath("pkg/bin/ffmpeg.html"), "page"));
        QVERIFY(QFile::link("/usr/bin/ffmpeg", dir.filePath("ffmpeg")));
        QVERIFY(QDir(dir.path()).mkpath("ffprobe"));
        QCOMPARE(ToolFiles::findExecutable(dir.path(), "ffmpeg"), dir.filePath("pkg/bin/ffmpeg"));
        QCOMPARE(ToolFiles::findExecutable(dir.path(), "ffprobe"), std::nullopt);
    }

    void moveIntoPlace_data()
    {
        QTest::addColumn<QString>("workRoot"); // where the candidate is unpacked
        QTest::newRow("same file system") << QDir::tempPath();
        // /tmp is often a memory file system while the tools live on disk.
        QTest::newRow("other file system") << "/dev/shm";
    }

    void moveIntoPlace()
    {
        QFETCH(QString, workRoot);
        QTemporaryDir tools;
        QTemporaryDir work(workRoot + "/kw-test");
        QVERIFY(work.isValid());
        if (workRoot == "/dev/shm" && QStorageInfo(work.path()).rootPath() == QStorageInfo(tools.path()).rootPath())
            QSKIP("No second file system here.");
        const QString target = tools.filePath("ffmpeg"), candidate = work.filePath("x/bin/ffmpeg");
        QVERIFY(writeFile(target, "old tool") && writeFile(candidate, "new tool"));
        QVERIFY(ToolFiles::makeExecutable(candidate));

        QCOMPARE(ToolFiles::moveIntoPlace(candidate, target), std::nullopt);
        QCOMPARE(readFile(target), QByteArray("new tool"));
        QCOMPARE(QFileInfo(target).permissions() & 0x7777, QFileDevice::Permissions(0x7755));
        QCOMPARE(QDir(tools.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList { "ffmpeg" });
    }
};

QTEST_GUILESS_MAIN(TestArchiveExtractor)
#include "tst_archiveextractor.moc"
