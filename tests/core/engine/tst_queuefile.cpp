#include "QueueFile.h"

#include "AppPaths.h"
#include "TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>

static TaskRecord sampleRecord()
{
    TaskRecord record;
    record.id = QUuid::createUuid();
    record.options.url = "https://example.com/v";
    record.options.title = "Ünïcode — title";
    record.options.folder = "/tmp/out";
    record.status = TaskStatus::completed;
    record.progress = 1.0;
    record.createdAt = QDateTime::fromSecsSinceEpoch(1714555800, Qt::UTC);
    record.finishedAt = QDateTime::fromSecsSinceEpoch(1714555900, Qt::UTC);
    record.outputFiles = { "/tmp/out/a.mp4" };
    record.finalSize = 5'000'000'000;
    record.error = "Some playlist items failed — see the log.";
    return record;
}

static QStringList corruptCopies()
{
    return QDir(AppPaths::support()).entryList({ "queue.json.corrupt-*" }, QDir::Files);
}

class TestQueueFile : public QObject {
    Q_OBJECT

private slots:
    void init() { QDir(AppPaths::support()).removeRecursively(); }

    void recordKeysAndRoundTrip()
    {
        TaskRecord record = sampleRecord();
        const QJsonObject json = toJson(record);
        QCOMPARE(json.value("id").toString(), record.id.toString(QUuid::WithoutBraces).toUpper());
        QCOMPARE(json.value("status").toString(), "completed");
        QCOMPARE(json.value("createdAt").toString(), "2024-05-01T09:30:00Z");
        QCOMPARE(json.value("finalSize").toInteger(), 5'000'000'000);
        QCOMPARE(taskRecordFromJson(json), record);
        record.error.reset();
        QVERIFY(!toJson(record).contains("error"));
    }

    void badRecordsAreRejected_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value"); // undefined: key removed
        QTest::newRow("missing id") << "id" << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("unknown status") << "status" << QJsonValue("sleeping");
        QTest::newRow("progress as text") << "progress" << QJsonValue("0.5");
        QTest::newRow("createdAt not a date") << "createdAt" << QJsonValue("yesterday");
        QTest::newRow("finishedAt not a date") << "finishedAt" << QJsonValue(12);
        QTest::newRow("outputFiles with a number") << "outputFiles" << QJsonValue(QJsonArray { "a", 1 });
        QTest::newRow("finalSize as text") << "finalSize" << QJsonValue("12");
    }
    void badRecordsAreRejected()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QJsonObject json = toJson(sampleRecord());
        if (value.isUndefined())
            json.remove(key);
        else
            json.insert(key, value);
        QCOMPARE(taskRecordFromJson(json), std::nullopt);
    }

    void fileOnDisk_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("copies"); // kept aside as corrupt
        const QByteArray two = QJsonDocument(QJsonArray { toJson(sampleRecord()), toJson(sampleRecord()) }).toJson();
        QJsonObject unknownStatus = toJson(sampleRecord());
        unknownStatus.insert("status", "sleeping");
        QTest::newRow("no file") << QByteArray() << 0 << 0;
        QTest::newRow("two records") << two << 2 << 0;
        QTest::newRow("cut off while written") << two.left(two.size() / 2) << 0 << 1;
        QTest::newRow("object, not array") << QByteArray("{}") << 0 << 1;
        QTest::newRow("one record with unknown status") << QJsonDocument(QJsonArray { toJson(sampleRecord()), unknownStatus }).toJson() << 0 << 1;
    }
    void fileOnDisk()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, copies);
        if (!content.isNull())
            QVERIFY(TestSupport::writeFile(QueueFile::path(), content));
        QTEST(int(QueueFile::load().size()), "records");
        const QStringList kept = corruptCopies();
        QCOMPARE(kept.size(), copies);
        if (copies) {
            QVERIFY2(QRegularExpression("^queue\\.json\\.corrupt-\\d{8}T\\d{6}Z$").match(kept.first()).hasMatch(), qPrintable(kept.first()));
            QCOMPARE(TestSupport::readFile(QDir(AppPaths::support()).filePath(kept.first())), content);
            // A second bad load in the same second keeps a second copy instead of overwriting the first.
            QVERIFY(TestSupport::writeFile(QueueFile::path(), "["));
            QueueFile::load();
            QCOMPARE(corruptCopies().size(), 2);
        }
        // The next save replaces whatever was there.
        const QList<TaskRecord> records { sampleRecord() };
        QVERIFY(QueueFile::save(records));
        QCOMPARE(QueueFile::load(), records);
    }
};

QTEST_GUILESS_MAIN(TestQueueFile)
#include "tst_queuefile.moc"
