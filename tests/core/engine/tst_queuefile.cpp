#include "JsonArrayFile.h"
#include "QueueFile.h"

#include "AppPaths.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {

TaskRecord sampleRecord()
{
    TaskRecord record;
    record.id = QUuid::createUuid();
    record.options.url = QStringLiteral("https://example.com/v");
    record.options.title = QStringLiteral("Ünïcode — title");
    record.options.folder = QStringLiteral("/tmp/out");
    record.status = TaskStatus::completed;
    record.progress = 1.0;
    record.createdAt = QDateTime::fromSecsSinceEpoch(1714555800, Qt::UTC);
    record.finishedAt = QDateTime::fromSecsSinceEpoch(1714555900, Qt::UTC);
    record.outputFiles = { QStringLiteral("/tmp/out/a.mp4") };
    record.finalSize = 5'000'000'000;
    record.error = QStringLiteral("Some playlist items failed — see the log.");
    return record;
}

QStringList corruptCopies()
{
    return QDir(AppPaths::support()).entryList({ QStringLiteral("queue.json.corrupt-*") }, QDir::Files);
}

} // namespace

class TestQueueFile : public QObject {
    Q_OBJECT

private slots:
    void init() { QDir(AppPaths::support()).removeRecursively(); }

    void recordKeysAndRoundTrip()
    {
        TaskRecord record = sampleRecord();
        const QJsonObject json = toJson(record);
        QCOMPARE(json.value("id").toString(), record.id.toString(QUuid::WithoutBraces).toUpper());
        QCOMPARE(json.value("status").toString(), QStringLiteral("completed"));
        QCOMPARE(json.value("createdAt").toString(), QStringLiteral("2024-05-01T09:30:00Z"));
        QCOMPARE(json.value("finalSize").toInteger(), 5'000'000'000);
        QCOMPARE(taskRecordFromJson(json), record);

        record.finishedAt.reset();
        record.finalSize.reset();
        record.error.reset();
        const QJsonObject bare = toJson(record);
        QVERIFY(!bare.contains("finishedAt") && !bare.contains("finalSize") && !bare.contains("error"));
        QCOMPARE(taskRecordFromJson(bare), record);
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

    void missingFileGivesEmptyQueueAndFirstSaveWritesIt()
    {
        QCOMPARE(QueueFile::load(), QList<TaskRecord>());
        QVERIFY(!QFile::exists(QueueFile::path()));
        const QList<TaskRecord> records { sampleRecord(), sampleRecord() };
        QVERIFY(QueueFile::save(records));
        QCOMPARE(QueueFile::load(), records);
        QFile file(QueueFile::path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY2(!content.contains('\n'), "written without indentation");
        QVERIFY(corruptCopies().isEmpty());
    }

    void undecodableFileIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not json") << QByteArray("{{{ garbage");
        QTest::newRow("object, not array") << QByteArray("{}");
        QJsonObject unknownStatus = toJson(sampleRecord());
        unknownStatus.insert("status", "sleeping");
        const QJsonArray mixed { toJson(sampleRecord()), unknownStatus };
        QTest::newRow("one record with unknown status") << QJsonDocument(mixed).toJson();
    }

    void undecodableFileIsKeptAside()
    {
        QFETCH(QByteArray, content);
        QVERIFY(TestSupport::writeFile(QueueFile::path(), content));
        QCOMPARE(QueueFile::load(), QList<TaskRecord>());
        const QStringList copies = corruptCopies();
        QCOMPARE(copies.size(), 1);
        QVERIFY(QRegularExpression(QStringLiteral("^queue\\.json\\.corrupt-\\d{8}T\\d{6}Z$"))
                    .match(copies.first())
                    .hasMatch());
        QFile copy(QDir(AppPaths::support()).filePath(copies.first()));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), content);

        // A second bad load in the same second keeps a second copy instead of overwriting the first.
        QVERIFY(TestSupport::writeFile(QueueFile::path(), "["));
        QueueFile::load();
        QCOMPARE(corruptCopies().size(), 2);

        QVERIFY(QueueFile::save({ sampleRecord() }));
        QCOMPARE(QueueFile::load().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestQueueFile)
#include "tst_queuefile.moc"
