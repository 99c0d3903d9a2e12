#pragma once

#include <QString>

#include <variant>

// Where the media-information fetch of the link field stands.
namespace FetchStates {
struct Idle {
    bool operator==(const Idle&) const = default;
};
struct Loading {
    bool operator==(const Loading&) const = default;
};
struct Loaded {
    bool operator==(const Loaded&) const = default;
};
struct Failed {
    QString message;
    bool operator==(const Failed&) const = default;
};
} // namespace FetchStates

using FetchState
    = std::variant<FetchStates::Idle, FetchStates::Loading, FetchStates::Loaded, FetchStates::Failed>;
