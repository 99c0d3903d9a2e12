#pragma once

#include <QString>

// How the diagnostics name the operating system and its version.
namespace SystemInfo {

// "Linux" or "macOS".
QString name();
// Linux: the distribution's name and the kernel version; macOS: the version
// as the process information words it, "Version 15.2 (Build 24C101)".
QString versionText();

} // namespace SystemInfo
