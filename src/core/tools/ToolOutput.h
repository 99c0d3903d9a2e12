#pragma once

#include <QString>
#include <QStringList>

// Reading what the tools print.
namespace ToolOutput {
// The text split at line feeds, empty lines dropped.
QStringList lines(const QString& text);
// Without leading and trailing spaces and tabs (other white space stays).
QString trimSpacesAndTabs(const QString& text);
} // namespace ToolOutput
