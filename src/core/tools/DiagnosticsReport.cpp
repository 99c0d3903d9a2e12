#include "DiagnosticsReport.h"

namespace DiagnosticsReport {

QString text(const QList<DiagnosticItem>& rows, const QDateTime& moment, const QString& toolsDirectory)
{
    const QDateTime utc = moment.toUTC();
    QString report = QStringLiteral("Klipwell diagnostics — ")
        + utc.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000\n");
    for (const DiagnosticItem& row : rows) {
        report += QLatin1Char('[') + (row.ok ? QStringLiteral("OK") : QStringLiteral("FAIL"))
            + QStringLiteral("] ") + row.name + QStringLiteral(": ") + row.detail + QLatin1Char('\n');
    }
    report += QStringLiteral("Tools directory: ") + toolsDirectory + QLatin1Char('\n');
    return report;
}

} // namespace DiagnosticsReport
