#pragma once

#include <QString>

#include <utility>

// Outcome of a smoke test or of the challenge-solver check: passed, and a
// detail sentence for the set-up and diagnostics screens.
using CheckResult = std::pair<bool, QString>;
