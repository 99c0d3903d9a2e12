#pragma once

#include <QWidget>

// The centred stand-in of an empty screen: a large symbol, a heading and
// an optional line of explanation.
class Placeholder : public QWidget {
    Q_OBJECT

public:
    Placeholder(const QString& symbol, const QString& heading, const QString& line = QString(),
        QWidget* parent = nullptr);
};
