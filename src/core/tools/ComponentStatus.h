#pragma once

#include <QString>

#include <variant>

// Status of one tool as the set-up and diagnostics screens show it.
namespace ComponentStatuses {
// Not probed yet, or no usable executable was found.
struct Unknown {
    bool operator==(const Unknown&) const = default;
};
struct Installed {
    bool operator==(const Installed&) const = default;
};
// An operation is in progress; the label is shown to the user.
struct Working {
    QString label;
    bool operator==(const Working&) const = default;
};
struct Failed {
    QString message;
    bool operator==(const Failed&) const = default;
};
} // namespace ComponentStatuses

using ComponentStatus = std::variant<ComponentStatuses::Unknown, ComponentStatuses::Installed,
    ComponentStatuses::Working, ComponentStatuses::Failed>;
