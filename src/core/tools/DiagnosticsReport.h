#pragma once

#include "DiagnosticItem.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace DiagnosticsReport {
// Plain text for the clipboard: a heading with the moment, one
// "[OK] name: detail" or "[FAIL] …" line per row, and the tools folder.
QString text(const QList<DiagnosticItem>& rows, const QDateTime& moment, const QString& toolsDirectory);
} // namespace DiagnosticsReport
