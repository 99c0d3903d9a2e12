#pragma once

#include <QColor>
#include <QWidget>

class QLabel;

// A message with a symbol, in a colour, on a rounded and faintly tinted
// background of the same colour.
class NoticeBox : public QWidget {
    Q_OBJECT

public:
    NoticeBox(const QString& symbol, const QColor& colour, QWidget* parent = nullptr);

    void setText(const QString&);
    QString text() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor m_colour;
    QLabel* m_text;
};
