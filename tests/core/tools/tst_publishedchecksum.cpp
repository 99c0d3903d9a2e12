#include "PublishedChecksum.h"

#include <QTest>

Q_DECLARE_METATYPE(ChecksumSource::Kind)

namespace {
const QByteArray hashA = QByteArray(64, 'a');
const QByteArray hashB = QByteArray(64, 'b');
} // namespace

class TestPublishedChecksum : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<ChecksumSource::Kind>("kind");
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QByteArray>("hash"); // empty: none
        const auto sums = ChecksumSource::Kind::sumsFile;
        const auto release = ChecksumSource::Kind::releaseDigest;
        QTest::newRow("exact name, not a longer one")
            << sums << hashB + "  yt-dlp_linux_aarch64\n" + hashA + "  yt-dlp_linux\n"
            << hashA;
        QTest::newRow("binary mode, upper case") << sums << hashA.toUpper() + " *yt-dlp_linux\r\n" << hashA;
        QTest::newRow("bare hash") << sums << hashA + "\n" << hashA;
        QTest::newRow("asset not listed") << sums << hashB + "  yt-dlp_macos\n" << QByteArray();
        const QByteArray twoAssets = "{\"assets\": [{\"name\": \"other\", \"digest\": \"sha256:" + hashB
            + "\"}, {\"name\": \"yt-dlp_linux\", \"digest\": \"sha256:" + hashA + "\"}]}";
        QTest::newRow("release digest") << release << twoAssets << hashA;
        QTest::newRow("release without a SHA-256 digest")
            << release << QByteArray("{\"assets\": [{\"name\": \"yt-dlp_linux\", \"digest\": \"md5:0123\"}]}")
            << QByteArray();
    }

    void parse()
    {
        QFETCH(ChecksumSource::Kind, kind);
        QFETCH(QByteArray, document);
        QFETCH(QByteArray, hash);
        QCOMPARE(PublishedChecksum::parse(kind, document, "yt-dlp_linux").value_or(QByteArray()), hash);
    }
};

QTEST_GUILESS_MAIN(TestPublishedChecksum)
#include "tst_publishedchecksum.moc"
