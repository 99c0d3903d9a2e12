#include "ToolFiles.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

using TestSupport::readFile;
using TestSupport::writeFile;

dev_t deviceOf(const QString& path)
{
    struct stat info { };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_dev : 0;
}

} // namespace

class TestToolFiles : public QObject {
    Q_OBJECT

private slots:
    void moveIntoPlace_data()
    {
        QTest::addColumn<QString>("workRoot"); // where the candidate is unpacked
        QTest::newRow("same file system") << QString();
        // /tmp is often a memory file system while the tools live on disk.
        QTest::newRow("other file system") << QStringLiteral("/dev/shm");
    }

    void moveIntoPlace()
    {
        QFETCH(QString, workRoot);
        QTemporaryDir tools;
        QTemporaryDir work(workRoot.isEmpty() ? QDir::tempPath() + "/kw-test" : workRoot + "/kw-test");
        QVERIFY(work.isValid());
        if (!workRoot.isEmpty() && deviceOf(work.path()) == deviceOf(tools.path()))
            QSKIP("No second file system here.");

        const QString target = tools.filePath(QStringLiteral("ffmpeg"));
        const QString candidate = work.filePath(QStringLiteral("x/bin/ffmpeg"));
        QVERIFY(writeFile(target, "old tool"));
        QVERIFY(writeFile(candidate, "new tool"));
        QVERIFY(ToolFiles::makeExecutable(candidate));

        QCOMPARE(ToolFiles::moveIntoPlace(candidate, target), std::nullopt);
        QCOMPARE(readFile(target), QByteArray("new tool"));
        QCOMPARE(QFileInfo(target).permissions() & 0x7777, QFileDevice::Permissions(0x7755));
        QCOMPARE(QDir(tools.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList { "ffmpeg" });

        // A target folder that cannot take the file fails and leaves nothing behind.
        QVERIFY(writeFile(candidate, "newer tool"));
        const std::optional<ToolError> error
            = ToolFiles::moveIntoPlace(candidate, tools.filePath(QStringLiteral("missing/ffmpeg")));
        QVERIFY(error.has_value());
        QVERIFY(!error->description.isEmpty());
        QCOMPARE(readFile(target), QByteArray("new tool"));
    }

    void findExecutable()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("pkg/doc/deep/ffmpeg"), "doc"));
        QVERIFY(writeFile(dir.filePath("pkg/bin/ffmpeg"), "tool"));
        QVERIFY(writeFile(dir.filePath("pkg/bin/ffmpeg.html"), "page"));
        QVERIFY(QFile::link(QStringLiteral("/usr/bin/ffmpeg"), dir.filePath("ffmpeg")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("ffprobe")));

        QCOMPARE(
            ToolFiles::findExecutable(dir.path(), QStringLiteral("ffmpeg")), dir.filePath("pkg/bin/ffmpeg"));
        QCOMPARE(ToolFiles::findExecutable(dir.path(), QStringLiteral("ffprobe")), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestToolFiles)
#include "tst_toolfiles.moc"
