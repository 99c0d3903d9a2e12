#include "SettingsControls.h"

#include "SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include <algorithm>

namespace SettingsControls {

QCheckBox* toggle(const QString& text, const QString& key, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setAccessibleName(text);
    box->setChecked(SettingsStore::boolean(key));
    QObject::connect(box, &QCheckBox::toggled, box, [key](bool on) { SettingsStore::set(key, on); });
    return box;
}

QLineEdit* textField(
    const QString& key, const QString& accessibleName, const QString& placeholder, QWidget* parent)
{
    auto* field = new QLineEdit(SettingsStore::string(key).value_or(QString()), parent);
    field->setAccessibleName(accessibleName);
    field->setPlaceholderText(placeholder);
    // textChanged, not textEdited: a reset that sets the text is stored too.
    QObject::connect(
        field, &QLineEdit::textChanged, field, [key](const QString& text) { SettingsStore::set(key, text); });
    return field;
}

QSpinBox* stepper(const QString& prefix, const QString& suffix, const QString& key, int minimum, int maximum,
    int step, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    QString name = prefix.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    box->setAccessibleName(name);
    box->setPrefix(prefix);
    box->setSuffix(suffix);
    box->setRange(minimum, maximum);
    box->setSingleStep(step);
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // A stored value outside the range shows clamped but is not rewritten
    // until the user changes it.
    box->setValue(int(std::clamp<qint64>(SettingsStore::integer(key), minimum, maximum)));
    QObject::connect(box, &QSpinBox::valueChanged, box, [key](int value) { SettingsStore::set(key, value); });
    return box;
}

QComboBox* picker(const QString& key, const QString& accessibleName, const QStringList& choices,
    const std::function<QString(const QString&)>& display, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setAccessibleName(accessibleName);
    for (const QString& choice : choices)
        box->addItem(display(choice), choice);
    const QString stored = SettingsStore::string(key).value_or(QString());
    int index = box->findData(stored);
    // A value from elsewhere stays selectable rather than being replaced.
    if (index < 0 && !stored.isEmpty()) {
        box->addItem(display(stored), stored);
        index = box->count() - 1;
    }
    box->setCurrentIndex(std::max(index, 0));
    QObject::connect(box, &QComboBox::currentIndexChanged, box,
        [box, key](int row) { SettingsStore::set(key, box->itemData(row).toString()); });
    return box;
}

QString upperCase(const QString& text)
{
    return text.toUpper();
}

QString capitalised(const QString& text)
{
    return text.isEmpty() ? text : text.left(1).toUpper() + text.mid(1);
}

} // namespace SettingsControls
