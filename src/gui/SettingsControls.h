#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QWidget;

// Controls bound to one key of the settings store: each shows the stored
// value (or the registered default) and writes every change at once, so
// there is nothing to apply or cancel.
namespace SettingsControls {

QCheckBox* toggle(const QString& text, const QString& key, QWidget* parent);
// Writes on every keystroke; an unset key shows as empty.
QLineEdit* textField(
    const QString& key, const QString& accessibleName, const QString& placeholder, QWidget* parent);
// Shows prefix + value + suffix, as in "Retries: 10".
QSpinBox* stepper(const QString& prefix, const QString& suffix, const QString& key, int minimum, int maximum,
    int step, QWidget* parent);
// Stores the choice itself and shows display(choice).
QComboBox* picker(const QString& key, const QString& accessibleName, const QStringList& choices,
    const std::function<QString(const QString&)>& display, QWidget* parent);

QString upperCase(const QString&);
QString capitalised(const QString&);

} // namespace SettingsControls
