#pragma once

#include <QString>

// Small helpers shared by the test suites.
namespace TestSupport {

// Path of a file below tests/data in the source tree.
QString dataPath(const QString& relative);
// Writes an executable script (mode 0755) and returns its absolute path.
QString writeScript(const QString& path, const QByteArray& content);
// Writes a file (creating its folder), replacing what was there; false on failure.
bool writeFile(const QString& path, const QByteArray& content);
// The whole file, or nothing when it cannot be read.
QByteArray readFile(const QString& path);
// The application log once every line queued before the call is written.
QString appLog();

} // namespace TestSupport
