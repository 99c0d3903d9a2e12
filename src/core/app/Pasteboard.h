#pragma once

#include <QString>

#include <optional>

// The clipboard as the core sees it: the widgets layer implements it over
// QClipboard, tests with a fake. The change count increases on every change.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;
    virtual int changeCount() const = 0;
    virtual std::optional<QString> string() const = 0;
};
