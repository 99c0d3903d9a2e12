#include "ComponentRow.h"

#include "Appearance.h"
#include "ElidedLabel.h"
#include "Spinner.h"
#include "Symbols.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
constexpr int iconSlot = 22;
constexpr int iconSize = 18;
} // namespace

ComponentRow::ComponentRow(Tool tool, QWidget* parent)
    : QWidget(parent)
    , m_tool(tool)
    , m_status(new QStackedWidget(this))
    , m_icon(new QLabel(m_status))
    , m_spinner(new Spinner(14, m_status))
    , m_name(new ElidedLabel(rawValue(tool), this))
    , m_detail(new ElidedLabel(QString(), this))
    , m_progress(new QProgressBar(this))
    , m_version(new QLabel(this))
{
    m_status->setFixedSize(iconSlot, iconSlot);
    m_icon->setAlignment(Qt::AlignCenter);
    auto* spinnerBox = new QWidget(m_status);
    auto* spinnerLayout = new QHBoxLayout(spinnerBox);
    spinnerLayout->setContentsMargins(0, 0, 0, 0);
    spinnerLayout->addWidget(m_spinner, 0, Qt::AlignCenter);
    m_status->addWidget(m_icon);
    m_status->addWidget(spinnerBox);

    m_name->setFont(Appearance::scaled(font(), 1.0, QFont::Medium));
    Appearance::makeSecondary(m_detail);
    m_progress->setFixedWidth(90);
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(8);
    m_progress->setAccessibleName(tr("%1 progress").arg(rawValue(tool)));
    m_version->setFont(Appearance::monospace(0.9));
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(m_name);
    texts->addWidget(m_detail);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 7, 10, 7);
    layout->setSpacing(10);
    layout->addWidget(m_status, 0, Qt::AlignVCenter);
    layout->addLayout(texts, 1);
    layout->addWidget(m_progress, 0, Qt::AlignVCenter);
    layout->addWidget(m_version, 0, Qt::AlignVCenter);
    setState(ComponentState {});
}

QString ComponentRow::detailText(Tool tool, const ComponentState& state)
{
    if (const auto* working = std::get_if<ComponentStatuses::Working>(&state.status))
        return working->label;
    if (const auto* failed = std::get_if<ComponentStatuses::Failed>(&state.status))
        return failed->message;
    // Why an update was not taken ("… failed its self-test, so … was kept.").
    return state.notice.value_or(description(tool));
}

QString ComponentRow::detail() const
{
    return m_detail->text();
}

void ComponentRow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        setState(m_state); // the drawn icons take their colours from the palette
}

void ComponentRow::setState(const ComponentState& state)
{
    m_state = state;
    const bool working = std::holds_alternative<ComponentStatuses::Working>(state.status);
    QString symbol;
    QColor tint;
    if (std::holds_alternative<ComponentStatuses::Installed>(state.status)) {
        symbol = QStringLiteral("checkmark.circle.fill");
        tint = Appearance::success();
    } else if (std::holds_alternative<ComponentStatuses::Failed>(state.status)) {
        symbol = QStringLiteral("xmark.octagon.fill");
        tint = Appearance::failure();
    } else if (!working) {
        symbol = QStringLiteral("circle.dotted");
        tint = Appearance::secondaryText(palette());
    }
    m_symbol = symbol;
    m_status->setCurrentIndex(working ? 1 : 0);
    if (!working)
        m_icon->setPixmap(Symbols::drawn(symbol, tint).pixmap(iconSize, iconSize));

    const QString detail = detailText(m_tool, state);
    m_detail->setText(detail);
    m_progress->setVisible(working);
    m_progress->setValue(qRound(qBound(0.0, state.progress, 1.0) * 1000));
    m_version->setVisible(!working && state.version.has_value());
    m_version->setText(state.version.value_or(QString()));
    // A screen reader hears the tool, its state and its version in one go.
    setAccessibleName(rawValue(m_tool));
    setAccessibleDescription(
        state.version && !working ? detail + QStringLiteral(", ") + *state.version : detail);
}
