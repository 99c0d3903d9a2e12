#include "AppPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

class TestAppPaths : public QObject {
    Q_OBJECT

private slots:
    void foldersAreCreatedAgainAfterDeletion()
    {
        const QString support = AppPaths::support();
        QCOMPARE(QFileInfo(support).fileName(), QStringLiteral("Klipwell"));
        QVERIFY(QDir(support).removeRecursively());
        const QString cache = AppPaths::sub(QStringLiteral("Cache/yt-dlp")); // nested folders in one call
        QCOMPARE(cache, support + QStringLiteral("/Cache/yt-dlp"));
        QVERIFY(QFileInfo(cache).isDir());
        QVERIFY(QDir(support).removeRecursively());
        QCOMPARE(AppPaths::support(), support);
        QVERIFY(QFileInfo(support).isDir());
    }
};

QTEST_GUILESS_MAIN(TestAppPaths)
#include "tst_apppaths.moc"
