#pragma once

#include <QLabel>

// A one-line label that shortens its text with "…" when it is too narrow,
// instead of clipping it or growing its parent; the whole text stays in its
// tooltip and accessible name.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(const QString& text = QString(), QWidget* parent = nullptr,
        Qt::TextElideMode mode = Qt::ElideRight);

    void setText(const QString& text);
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Qt::TextElideMode m_mode;
};
