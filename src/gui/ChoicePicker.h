#pragma once

#include <QComboBox>

// A drop-down over fixed values with their own display labels; reports and
// takes the stored value, not the label.
class ChoicePicker : public QComboBox {
    Q_OBJECT

public:
    explicit ChoicePicker(const QString& accessibleName, QWidget* parent = nullptr);

    // Values shown in upper case ("mp4" → "MP4").
    void setUpperCaseValues(const QStringList& values);
    void addChoice(const QString& label, const QString& value);
    QString value() const;
    // Selects the value's entry; an unknown value selects the first.
    void setValue(const QString&);

signals:
    // Only for the user's own choices.
    void valueChosen(const QString& value);
};
