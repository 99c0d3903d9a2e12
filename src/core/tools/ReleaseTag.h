#pragma once

#include <QString>

#include <optional>

namespace ReleaseTag {
// True when the newest release tag is ahead of the installed version: the tag
// with every "v" removed must begin with the installed text. A tool with no
// known version is never outdated (only set-up and repair install it).
bool isNewer(const QString& tag, const std::optional<QString>& installed);
} // namespace ReleaseTag
