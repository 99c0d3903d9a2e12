#include "TestArchive.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace TestArchive {

Entry file(const QString& name, const QByteArray& data, int mode)
{
    return { Entry::Kind::file, name, data, {}, {}, mode };
}

Entry fileFrom(const QString& name, const QString& sourceFile, int mode)
{
    return { Entry::Kind::file, name, {}, sourceFile, {}, mode };
}

Entry directory(const QString& name)
{
    return { Entry::Kind::directory, name, {}, {}, {}, 0755 };
}

Entry symlink(const QString& name, const QString& target)
{
    return { Entry::Kind::symlink, name, {}, {}, target, 0777 };
}

Entry hardlink(const QString& name, const QString& target)
{
    return { Entry::Kind::hardlink, name, {}, {}, target, 0644 };
}

namespace {

struct WriterDeleter {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryDeleter {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

bool writeEntry(archive* writer, const Entry& entry)
{
    std::unique_ptr<archive_entry, EntryDeleter> header(archive_entry_new());
    archive_entry_set_pathname_utf8(header.get(), entry.name.toUtf8().constData());
    archive_entry_set_perm(header.get(), entry.mode);
    std::unique_ptr<QFile> source;
    switch (entry.kind) {
    case Entry::Kind::file:
        archive_entry_set_filetype(header.get(), AE_IFREG);
        if (!entry.sourceFile.isEmpty()) {
            source = std::make_unique<QFile>(entry.sourceFile);
            if (!source->open(QIODevice::ReadOnly))
                return false;
            archive_entry_set_size(header.get(), source->size());
        } else {
            archive_entry_set_size(header.get(), entry.data.size());
        }
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
    if (source) {
        while (!source->atEnd()) {
            const QByteArray chunk = source->read(1 << 20);
            if (archive_write_data(writer, chunk.constData(), chunk.size()) < 0)
                return false;
        }
    } else if (entry.kind == Entry::Kind::file && !entry.data.isEmpty()) {
        if (archive_write_data(writer, entry.data.constData(), entry.data.size()) < 0)
            return false;
    }
    return archive_write_finish_entry(writer) >= ARCHIVE_WARN;
}

} // namespace

bool write(const QString& path, Format format, const QList<Entry>& entries)
{
    std::unique_ptr<archive, WriterDeleter> writer(archive_write_new());
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
