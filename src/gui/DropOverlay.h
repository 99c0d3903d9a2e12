#pragma once

#include <QWidget>

// What the main window shows while links are dragged over it: a dashed,
// rounded frame in the accent colour with "Drop links to download". It never
// takes mouse or drag events, so the drop reaches the window.
class DropOverlay : public QWidget {
    Q_OBJECT

public:
    explicit DropOverlay(QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
};
