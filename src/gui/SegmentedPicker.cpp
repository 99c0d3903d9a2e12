#include "SegmentedPicker.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>

SegmentedPicker::SegmentedPicker(const QStringList& labels, QWidget* parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < labels.size(); ++i) {
        auto* button = new QToolButton(this);
        button->setText(labels[i]);
        button->setAccessibleName(labels[i]);
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        // The chosen segment in the accent colour: the style's own pressed
        // look is hard to tell apart in dark palettes.
        connect(button, &QToolButton::toggled, button, [button](bool on) {
            QPalette palette = button->parentWidget()->palette();
            if (on) {
                palette.setColor(QPalette::Button, palette.color(QPalette::Highlight));
                palette.setColor(QPalette::ButtonText, palette.color(QPalette::HighlightedText));
            }
            button->setPalette(palette);
        });
        m_group->addButton(button, i);
        layout->addWidget(button);
    }
    layout->addStretch(1);
    connect(m_group, &QButtonGroup::idClicked, this, &SegmentedPicker::activated);
}

int SegmentedPicker::currentIndex() const
{
    return m_group->checkedId();
}

void SegmentedPicker::setCurrentIndex(int index)
{
    if (QAbstractButton* button = m_group->button(index))
        button->setChecked(true);
}
