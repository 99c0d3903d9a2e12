#pragma once

#include "Pasteboard.h"

#include <QObject>

// The system clipboard as the core sees it: its change count goes up on
// every change the clipboard reports.
class ClipboardPasteboard : public QObject, public Pasteboard {
    Q_OBJECT

public:
    explicit ClipboardPasteboard(QObject* parent = nullptr);
    int changeCount() const override { return m_count; }
    std::optional<QString> string() const override;

private:
    int m_count = 0;
};
