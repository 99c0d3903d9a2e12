#include "ArchiveExtractor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QPromise>
#include <QThread>

#include <QCoroFuture>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace ArchiveExtractor {

namespace {

struct ReaderDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriterDeleter {
    void operator()(archive* a) const { archive_write_free(a); }
};

QString errorText(archive* a)
{
    const char* text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("Unknown archive error.");
}

QString refusal(const QString& name)
{
    return QStringLiteral("Refused entry \"") + name
        + QStringLiteral("\": it points outside the extraction folder.");
}

bool isInside(const QString& root, const QString& cleanedPath)
{
    return cleanedPath == root || cleanedPath.startsWith(root + QLatin1Char('/'));
}

// The absolute path an archive member name stands for, or none when the name
// is absolute, climbs with ".." or otherwise leaves root.
std::optional<QString> memberPath(const QString& root, const QString& name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return std::nullopt;
    if (name.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return std::nullopt;
    const QString path = QDir::cleanPath(root + QLatin1Char('/') + name);
    return isInside(root, path) ? std::optional(path) : std::nullopt;
}

// A symbolic link is resolved against the folder that will hold it. Its
// target may climb with ".." only at its start: after a name, ".." would
// depend on whether that name is (or a later entry makes it) a link itself,
// which can lead out even though every link looked inside on its own.
bool symlinkStaysInside(const QString& root, const QString& linkPath, const QString& target)
{
    if (target.isEmpty())
        return false;
    bool descended = false;
    for (const QString& part : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            if (descended)
                return false;
        } else if (part != QLatin1String(".")) {
            descended = true;
        }
    }
    const QString resolved = target.startsWith(QLatin1Char('/'))
        ? QDir::cleanPath(target)
        : QDir::cleanPath(QFileInfo(linkPath).path() + QLatin1Char('/') + target);
    return isInside(root, resolved);
}

QString utf8OrLocal(const char* utf8, const char* local)
{
    return utf8 ? QString::fromUtf8(utf8) : QString::fromLocal8Bit(local);
}

std::optional<QString> copyData(archive* reader, archive* writer)
{
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(reader, &block, &size, &offset);
        if (r == ARCHIVE_EOF)
            return std::nullopt;
        if (r < ARCHIVE_WARN)
            return errorText(reader);
        if (archive_write_data_block(writer, block, size, offset) < ARCHIVE_WARN)
            return errorText(writer);
    }
}

} // namespace

std::optional<QString> extract(const QString& archivePath, const QString& destination)
{
    // Compare against the real location, so a destination reached through a
    // symbolic link (as /tmp often is) does not make every member look outside.
    const QString root = QFileInfo(destination).canonicalFilePath();
    if (root.isEmpty())
        return QStringLiteral("The extraction folder does not exist.");

    std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
    archive_read_support_format_zip(reader.get());
    archive_read_support_format_tar(reader.get());
    archive_read_support_filter_all(reader.get());
    std::unique_ptr<archive, WriterDeleter> writer(archive_write_disk_new());
    archive_write_disk_set_options(writer.get(),
        ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_SECURE_SYMLINKS);

    if (archive_read_open_filename(reader.get(), QFile::encodeName(archivePath).constData(), 64 * 1024)
        != ARCHIVE_OK)
        return errorText(reader.get());

    for (;;) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(reader.get(), &entry);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN)
            return errorText(reader.get());

        const QString name = utf8OrLocal(archive_entry_pathname_utf8(entry), archive_entry_pathname(entry));
        const std::optional<QString> path = memberPath(root, name);
        if (!path)
            return refusal(name);

        if (const char* hardlink = archive_entry_hardlink(entry)) {
            const QString linkName = utf8OrLocal(archive_entry_hardlink_utf8(entry), hardlink);
            const std::optional<QString> linkPath = memberPath(root, linkName);
            // A second name for a link would resolve its target from another folder.
            if (!linkPath || QFileInfo(*linkPath).isSymLink())
                return refusal(name);
            archive_entry_update_hardlink_utf8(entry, linkPath->toUtf8().constData());
        } else {
            const mode_t type = archive_entry_filetype(entry);
            if (type == AE_IFLNK) {
                const QString target
                    = utf8OrLocal(archive_entry_symlink_utf8(entry), archive_entry_symlink(entry));
                if (!symlinkStaysInside(root, *path, target))
                    return refusal(name);
            } else if (type != AE_IFREG && type != AE_IFDIR) {
                continue; // devices, pipes and sockets have no place in a tool download
            }
        }

        archive_entry_update_pathname_utf8(entry, path->toUtf8().constData());
        if (archive_write_header(writer.get(), entry) < ARCHIVE_WARN)
            return errorText(writer.get());
        if (archive_entry_size(entry) > 0) {
            if (auto error = copyData(reader.get(), writer.get()))
                return error;
        }
        if (archive_write_finish_entry(writer.get()) < ARCHIVE_WARN)
            return errorText(writer.get());
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK)
        return errorText(writer.get());
    return std::nullopt;
}

QCoro::Task<std::optional<QString>> extractInBackground(
    const QString& archivePath, const QString& destination)
{
    // The future's watcher lives on this thread, so the coroutine resumes here.
    QPromise<std::optional<QString>> promise;
    QFuture<std::optional<QString>> future = promise.future();
    std::unique_ptr<QThread> thread(
        QThread::create([promise = std::move(promise), archivePath, destination]() mutable {
            promise.start();
            promise.addResult(extract(archivePath, destination));
            promise.finish();
        }));
    thread->start();
    auto finished = qCoro(future).waitForFinished();
    std::optional<QString> result = co_await std::move(finished);
    thread->wait();
    co_return result;
}

} // namespace ArchiveExtractor
