// Tool archives from the internet, zip or tar in any compression: whatever
// the entries' names, links and types, nothing appears outside the
// extraction folder and no link left inside points out of it.
#include "ArchiveExtractor.h"
#include "FuzzSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

bool isInside(const QString& root, const QString& path)
{
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString scratch = FuzzSupport::scratchFolder();
    const QString archivePath = scratch + QStringLiteral("/input.archive");
    const QString box = scratch + QStringLiteral("/box");
    const QString destination = box + QStringLiteral("/x");
    QDir(box).removeRecursively();
    QDir().mkpath(destination);
    {
        QFile file(archivePath);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(FuzzSupport::bytes(data, size));
    }

    ArchiveExtractor::extract(archivePath, destination);

    // The folder's parent holds nothing but the folder, the scratch folder
    // nothing new.
    FUZZ_CHECK(QDir(box).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
        == QStringList { QStringLiteral("x") });
    FUZZ_CHECK(QDir(scratch).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
        == (QStringList { QStringLiteral("box"), QStringLiteral("input.archive") }));
    const QString root = QFileInfo(destination).canonicalFilePath();
    QDirIterator it(destination, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        if (!entry.isSymLink())
            continue;
        const QString resolved = entry.canonicalFilePath();
        FUZZ_CHECK(resolved.isEmpty() || isInside(root, resolved));
        FUZZ_CHECK(isInside(root, QDir::cleanPath(entry.symLinkTarget())));
    }
    return 0;
}
