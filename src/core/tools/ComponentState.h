#pragma once

#include "ComponentStatus.h"

#include <QString>

#include <optional>

// Observable record of one tool.
struct ComponentState {
    ComponentStatus status;
    // Install progress from 0 to 1; 1 when installed.
    double progress = 0;
    // As reported by the version probe ("ready" for the challenge-solver scripts).
    std::optional<QString> version;
    // Newest release tag found by the update check, verbatim.
    std::optional<QString> latest;
    // Why a working tool was kept when an update was not taken.
    std::optional<QString> notice = std::nullopt;
    bool operator==(const ComponentState&) const = default;
};
