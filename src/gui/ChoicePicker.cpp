#include "ChoicePicker.h"

ChoicePicker::ChoicePicker(const QString& accessibleName, QWidget* parent)
    : QComboBox(parent)
{
    setAccessibleName(accessibleName);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(this, &QComboBox::activated, this, [this](int index) { emit valueChosen(itemData(index).toString()); });
}

void ChoicePicker::setUpperCaseValues(const QStringList& values)
{
    clear();
    for (const QString& value : values)
        addChoice(value.toUpper(), value);
}

void ChoicePicker::addChoice(const QString& label, const QString& value)
{
    addItem(label, value);
}

QString ChoicePicker::value() const
{
    return currentData().toString();
}

void ChoicePicker::setValue(const QString& value)
{
    const int index = findData(value);
    setCurrentIndex(index >= 0 ? index : 0);
}
