#include "TestArchive.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace TestArchive {

namespace {

bool writeEntry(archive* writer, const Entry& entry)
{
    std::unique_ptr<archive_entry, void (*)(archive_entry*)> header(archive_entry_new(), archive_entry_free);
    archive_entry_set_pathname_utf8(header.get(), entry.name.toUtf8().constData());
    archive_entry_set_perm(header.get(), entry.mode);
    QFile source(entry.sourceFile);
    const bool streamed = !entry.sourceFile.isEmpty();
    if (streamed && !source.open(QIODevice::ReadOnly))
        return false;
    switch (entry.kind) {
    case Entry::Kind::file:
        archive_entry_set_filetype(header.get(), AE_IFREG);
        archive_entry_set_size(header.get(), streamed ? source.size() : entry.data.size());
        break;
    case Entry::Kind::directory:
        archive_entry_set_filetype(header.get(), AE_IFDIR);
        break;
    case Entry::Kind::symlink:
        archive_entry_set_filetype(header.get(), AE_IFLNK);
        archive_entry_set_symlink_utf8(header.get(), entry.target.toUtf8().constData());
        break;
    case Entry::Kind::hardlink:
        archive_entry_set_filetype(header.get(), AE_IFREG);
        archive_entry_set_hardlink_utf8(header.get(), entry.target.toUtf8().constData());
        break;
    }
    if (archive_write_header(writer, header.get()) < ARCHIVE_WARN)
        return false;
    QByteArray chunk = streamed ? source.read(1 << 20) : entry.data;
    while (!chunk.isEmpty()) {
        if (archive_write_data(writer, chunk.constData(), chunk.size()) < 0)
            return false;
        chunk = streamed ? source.read(1 << 20) : QByteArray();
    }
    return archive_write_finish_entry(writer) >= ARCHIVE_WARN;
}

} // namespace

bool write(const QString& path, Format format, const QList<Entry>& entries)
{
    std::unique_ptr<archive, int (*)(archive*)> writer(archive_write_new(), archive_write_free);
    if (format == Format::zip) {
        archive_write_set_format_zip(writer.get());
    } else {
        archive_write_set_format_pax_restricted(writer.get());
        archive_write_add_filter_xz(writer.get());
        // Fast compression keeps packing large executables quick.
        archive_write_set_filter_option(writer.get(), "xz", "compression-level", "1");
    }
    if (archive_write_open_filename(writer.get(), QFile::encodeName(path).constData()) != ARCHIVE_OK)
        return false;
    for (const Entry& entry : entries) {
        if (!writeEntry(writer.get(), entry))
            return false;
    }
    return archive_write_close(writer.get()) == ARCHIVE_OK;
}

} // namespace TestArchive
