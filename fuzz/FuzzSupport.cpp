#include "FuzzSupport.h"

#include <QDir>
#include <QTemporaryDir>

namespace FuzzSupport {

QString scratchFolder()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/klipwell-fuzz-XXXXXX"));
    static const bool homed = [] {
        qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path() + QStringLiteral("/data")));
        return true;
    }();
    Q_UNUSED(homed);
    if (!folder.isValid())
        fail("a scratch folder can be created", __FILE__, __LINE__);
    return folder.path();
}

} // namespace FuzzSupport
