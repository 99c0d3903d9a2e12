#pragma once

#include <QWidget>

class QLabel;

// A small symbol followed by a line of text, hidden while the text is empty.
class IconLabel : public QWidget {
    Q_OBJECT

public:
    explicit IconLabel(const QString& symbol, QWidget* parent = nullptr);

    void setText(const QString&);
    QString text() const;

private:
    QLabel* m_text;
};
