#pragma once

#include <QString>

// The program's own directory under the user's application-data directory.
// Every call creates the directory (with intermediates) before returning it.
namespace AppPaths {
QString support();
QString sub(const QString& name);
} // namespace AppPaths
