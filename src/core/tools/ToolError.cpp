#include "ToolError.h"

namespace ToolErrors {

namespace {
const QString installDomain = QStringLiteral("Install");
}

ToolError noSource()
{
    return { installDomain, 1, QStringLiteral("No download source available.") };
}

ToolError extraction(const QString& detail)
{
    return { installDomain, 2, QStringLiteral("Could not extract archive: ") + detail };
}

ToolError notInArchive(Tool tool)
{
    return { installDomain, 3, fileName(tool) + QStringLiteral(" not found in archive.") };
}

ToolError validation(Tool tool)
{
    return { installDomain, 4, rawValue(tool) + QStringLiteral(" failed validation.") };
}

ToolError checksumMismatch(Tool tool)
{
    return { installDomain, 5,
        QStringLiteral("The download of ") + rawValue(tool)
            + QStringLiteral(" didn’t match its published checksum, so it wasn’t installed.") };
}

ToolError smokeTest(const QString& detail)
{
    return { installDomain, 6, QStringLiteral("Smoke test failed: ") + detail };
}

bool isSelfTestFailure(const ToolError& error)
{
    return error.domain == installDomain && (error.code == 4 || error.code == 6);
}

bool isChecksumMismatch(const ToolError& error)
{
    return error.domain == installDomain && error.code == 5;
}

ToolError httpStatus(int status)
{
    return { QStringLiteral("Download"), status, QStringLiteral("HTTP ") + QString::number(status) };
}

ToolError network(int code, const QString& description)
{
    return { QStringLiteral("Network"), code, description };
}

ToolError file(const QString& description)
{
    return { QStringLiteral("File"), 0, description };
}

} // namespace ToolErrors
