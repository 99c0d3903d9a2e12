#pragma once

#include <QString>

// The machine architecture that decides which tool builds are downloaded.
enum class CpuArchitecture { x86_64, arm64 };

// Anything not recognised as 64-bit ARM counts as x86-64.
CpuArchitecture currentArchitecture();
// How the diagnostics and set-up screens name the architecture.
QString displayText(CpuArchitecture);
