#include "AppPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

class TestAppPaths : public QObject {
    Q_OBJECT

private slots:
    void subCreatesNestedDirectoriesInOneCall()
    {
        QDir(AppPaths::support()).removeRecursively();
        const QString cache = AppPaths::sub(QStringLiteral("Cache/yt-dlp"));
        QVERIFY(QFileInfo(cache).isDir());
        QCOMPARE(QFileInfo(cache).fileName(), QStringLiteral("yt-dlp"));
        QVERIFY(cache.startsWith(AppPaths::support()));
    }

    void supportIsRecreatedAfterDeletion()
    {
        const QString support = AppPaths::support();
        QCOMPARE(QFileInfo(support).fileName(), QStringLiteral("Klipwell"));
        QVERIFY(QDir(support).removeRecursively());
        QVERIFY(!QFileInfo::exists(support));
        QCOMPARE(AppPaths::support(), support);
        QVERIFY(QFileInfo(support).isDir());
    }
};

QTEST_GUILESS_MAIN(TestAppPaths)
#include "tst_apppaths.moc"
