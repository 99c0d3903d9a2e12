// Klipwell's own files after a crash or a hand edit: the queue, the history
// and the tool manifest. A record reads back equal after a save, or the
// reader rejects it; a file is never half-read.
#include "FuzzSupport.h"
#include "HistoryStore.h"
#include "JsonArrayFile.h"
#include "QueueFile.h"
#include "ToolManifest.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Elements of the file's top-level array, or -1 when it is no array.
qsizetype arraySize(const QByteArray& bytes)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    return document.isArray() ? document.array().size() : -1;
}

void queue(const QByteArray& bytes)
{
    writeFile(QueueFile::path(), bytes);
    const QList<TaskRecord> records = QueueFile::load();
    FUZZ_CHECK(records.isEmpty() || records.size() == arraySize(bytes));
    FUZZ_CHECK(QueueFile::save(records));
    FUZZ_CHECK(QueueFile::load() == records);
}

void history(const QByteArray& bytes)
{
    writeFile(HistoryStore::path(), bytes);
    const QList<HistoryItem> items = HistoryStore().items();
    FUZZ_CHECK(items.isEmpty() || items.size() == arraySize(bytes));
    QJsonArray array;
    for (const HistoryItem& item : items)
        array.append(toJson(item));
    FUZZ_CHECK(JsonArrayFile::write(HistoryStore::path(), array));
    FUZZ_CHECK(HistoryStore().items() == items);
}

void manifest(const QByteArray& bytes)
{
    const QString path = FuzzSupport::scratchFolder() + QStringLiteral("/manifest.json");
    writeFile(path, bytes);
    const QMap<QString, ManifestEntry> entries = ToolManifest::load(path);
    FUZZ_CHECK(ToolManifest::save(entries, path));
    FUZZ_CHECK(ToolManifest::load(path) == entries);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QString scratch = FuzzSupport::scratchFolder(); // before the first path lookup
    // The first byte picks the file, the rest is its content.
    const QByteArray content = FuzzSupport::bytes(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        queue(content);
        break;
    case 1:
        history(content);
        break;
    default:
        manifest(content);
        break;
    }
    // Corrupt copies kept aside would pile up over millions of inputs.
    QDir(scratch).removeRecursively();
    QDir().mkpath(scratch);
    return 0;
}
