#pragma once

#include <QString>

// Small helpers shared by the test suites.
namespace TestSupport {

// Path of a file below tests/data in the source tree.
QString dataPath(const QString& relative);
// Writes an executable script (mode 0755) and returns its absolute path.
QString writeScript(const QString& path, const QByteArray& content);

} // namespace TestSupport
