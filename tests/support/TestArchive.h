#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Writes zip and tar.xz archives for tests, including members no honest
// archive holds (absolute names, "..", links pointing out).
namespace TestArchive {

struct Entry {
    enum class Kind { file, directory, symlink, hardlink };
    Kind kind = Kind::file;
    QString name;
    QByteArray data; // content of a file member
    QString sourceFile; // or: content streamed from this file
    QString target; // link target
    int mode = 0644;
};

enum class Format { zip, tarXz };

Entry file(const QString& name, const QByteArray& data, int mode = 0644);
// A member whose content is copied from a file on disk (streamed, any size).
Entry fileFrom(const QString& name, const QString& sourceFile, int mode = 0755);
Entry directory(const QString& name);
Entry symlink(const QString& name, const QString& target);
Entry hardlink(const QString& name, const QString& target);

// False when the archive could not be written.
bool write(const QString& path, Format format, const QList<Entry>& entries);

} // namespace TestArchive
