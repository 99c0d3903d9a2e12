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
// Domain "Install", codes 1 to 6.
ToolError noSource();
ToolError extraction(const QString& detail);
ToolError notInArchive(Tool);
ToolError validation(Tool);
ToolError checksumMismatch(Tool);
// A new build that would replace a working one failed its smoke test.
ToolError smokeTest(const QString& detail);
// The new build itself does not work (codes 4 and 6), as opposed to a
// download or file failure.
bool isSelfTestFailure(const ToolError&);
bool isChecksumMismatch(const ToolError&);
// Domain "Download": an HTTP status outside 200-299.
ToolError httpStatus(int status);
// Transport failures (refused connection, time-out, cancellation).
ToolError network(int code, const QString& description);
// File-system failures.
ToolError file(const QString& description);
} // namespace ToolErrors
