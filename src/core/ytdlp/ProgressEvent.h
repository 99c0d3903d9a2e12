#pragma once

#include <QString>

#include <optional>
#include <variant>

// What one line of yt-dlp's output means to a download.
namespace ProgressEvents {
struct Progress {
    qint64 downloaded = 0;
    std::optional<qint64> total;
    std::optional<double> speed;
    std::optional<qint64> eta;
    QString filename;
    bool operator==(const Progress&) const = default;
};
struct Postprocess {
    QString name;
    QString status;
    bool operator==(const Postprocess&) const = default;
};
struct Item {
    int index = 1;
    int count = 1;
    QString title;
    bool operator==(const Item&) const = default;
};
struct FinalFile {
    QString path;
    bool operator==(const FinalFile&) const = default;
};
struct Destination {
    QString path;
    bool operator==(const Destination&) const = default;
};
struct Merging {
    QString path;
    bool operator==(const Merging&) const = default;
};
struct Error {
    QString text;
    bool operator==(const Error&) const = default;
};
struct Warning {
    QString text;
    bool operator==(const Warning&) const = default;
};
struct Info {
    QString line;
    bool operator==(const Info&) const = default;
};
} // namespace ProgressEvents

using ProgressEvent = std::variant<ProgressEvents::Progress, ProgressEvents::Postprocess,
    ProgressEvents::Item, ProgressEvents::FinalFile, ProgressEvents::Destination, ProgressEvents::Merging,
    ProgressEvents::Error, ProgressEvents::Warning, ProgressEvents::Info>;
