#pragma once

#include <QString>
#include <QUuid>

// One row of the diagnostics report.
struct DiagnosticItem {
    QUuid id;
    QString name;
    bool ok = false;
    QString detail;
    bool operator==(const DiagnosticItem&) const = default;
};
