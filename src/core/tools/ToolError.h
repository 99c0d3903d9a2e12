#pragma once

#include "Tool.h"

#include <QString>

// A failure of tool management. The description is the sentence the user sees.
struct ToolError {
    QString domain;
    int code = 0;
    QString description;
    bool operator==(const ToolError&) const = default;
};

namespace ToolErrors {
// Domain "Install", codes 1 to 4.
ToolError noSource();
ToolError extraction(const QString& detail);
ToolError notInArchive(Tool);
ToolError validation(Tool);
// Domain "Download": an HTTP status outside 200-299.
ToolError httpStatus(int status);
// Transport failures (refused connection, time-out, cancellation).
ToolError network(int code, const QString& description);
// File-system failures.
ToolError file(const QString& description);
} // namespace ToolErrors
