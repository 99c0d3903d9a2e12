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

inline Entry file(const QString& name, const QByteArray& data, int mode = 0644) { return { Entry::Kind::file, name, data, {}, {}, mode }; }
// A member whose content is copied from a file on disk (streamed, any size).
inline Entry fileFrom(const QString& name, const QString& source, int mode = 0755) { return { Entry::Kind::file, name, {}, source, {}, mode }; }
inline Entry directory(const QString& name) { return { Entry::Kind::directory, name, {}, {}, {}, 0755 }; }
inline Entry symbolicLink(const QString& name, const QString& target) { return { Entry::Kind::symlink, name, {}, {}, target, 0777 }; }
inline Entry hardlink(const QString& name, const QString& target) { return { Entry::Kind::hardlink, name, {}, {}, target, 0644 }; }

// False when the archive could not be written.
bool write(const QString& path, Format format, const QList<Entry>& entries);

} // namespace TestArchive
