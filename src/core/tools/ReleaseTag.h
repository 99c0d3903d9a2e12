#pragma once

#include <QString>

#include <optional>

namespace ReleaseTag {
// True when the newest release tag is ahead of the installed version: the tag
// with every "v" removed must begin with the installed text, and that text must
// end where a number of the tag ends (2.1 is current against 2.1.4, 2.1.4 is
// not against 2.1.40). A tool with no known version is never outdated (only
// set-up and repair install it).
bool isNewer(const QString& tag, const std::optional<QString>& installed);
} // namespace ReleaseTag
