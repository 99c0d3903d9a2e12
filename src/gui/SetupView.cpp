#include "SetupView.h"

#include "AppState.h"
#include "Appearance.h"
#include "ComponentRow.h"
#include "CpuArchitecture.h"
#include "DependencyManager.h"
#include "Symbols.h"

#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    QPalette palette = line->palette();
    QColor faint = palette.color(QPalette::WindowText);
    faint.setAlphaF(0.12);
    palette.setColor(QPalette::WindowText, faint);
    line->setPalette(palette);
    return line;
}

} // namespace

SetupView::SetupView(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_overall(new QProgressBar(this))
    , m_current(Appearance::secondaryLabel(QString(), this))
    , m_failure(new QLabel(
          tr("Some components couldn’t be installed. Check your internet connection and try again."), this))
    , m_retry(new QPushButton(Symbols::icon(QStringLiteral("arrow.clockwise")), tr("Retry"), this))
{
    auto* column = new QWidget(this);
    column->setFixedWidth(460);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);

    auto* icon = new QLabel(column);
    icon->setPixmap(Symbols::drawn(QStringLiteral("arrow.down.circle.fill"), Appearance::accent(palette()))
                        .pixmap(56, 56));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);

    auto* title = new QLabel(tr("Setting up Klipwell"), column);
    title->setFont(Appearance::scaled(font(), 1.6, QFont::Bold));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);

    auto* subtitle = Appearance::secondaryLabel(tr("Downloading the tools needed for your computer (%1). "
                                                   "This only happens once.")
                                                    .arg(displayText(currentArchitecture())),
        column);
    subtitle->setAlignment(Qt::AlignCenter);
    layout->addWidget(subtitle);

    auto* panel = new QFrame(column);
    panel->setObjectName(QStringLiteral("toolsPanel"));
    panel->setAutoFillBackground(true);
    panel->setFrameShape(QFrame::StyledPanel);
    QPalette panelPalette = panel->palette();
    panelPalette.setColor(QPalette::Window, panelPalette.color(QPalette::Base));
    panel->setPalette(panelPalette);
    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(4, 4, 4, 4);
    rows->setSpacing(0);
    const QList<Tool> tools = allTools();
    for (Tool tool : tools) {
        auto* row = new ComponentRow(tool, panel);
        m_rows.insert(tool, row);
        rows->addWidget(row);
        if (tool != tools.last())
            rows->addWidget(divider(panel));
    }
    layout->addSpacing(4);
    layout->addWidget(panel);

    m_overall->setRange(0, 1000);
    m_overall->setTextVisible(false);
    m_overall->setAccessibleName(tr("Set-up progress"));
    layout->addWidget(m_overall);
    m_current->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_current);

    m_failure->setWordWrap(true);
    m_failure->setAlignment(Qt::AlignCenter);
    QPalette red = m_failure->palette();
    red.setColor(QPalette::WindowText, Appearance::failure());
    m_failure->setPalette(red);
    layout->addWidget(m_failure);
    m_retry->setAccessibleName(tr("Retry"));
    m_retry->setDefault(true);
    layout->addWidget(m_retry, 0, Qt::AlignCenter);
    connect(m_retry, &QPushButton::clicked, this, [this] { m_state->retrySetup(); });

    auto* outer = new QVBoxLayout(this);
    outer->addStretch(1);
    outer->addWidget(column, 0, Qt::AlignHCenter);
    outer->addStretch(1);

    DependencyManager* deps = m_state->deps();
    for (auto signal : { &DependencyManager::phaseChanged, &DependencyManager::statesChanged,
             &DependencyManager::currentChanged, &DependencyManager::busyChanged })
        connect(deps, signal, this, &SetupView::refresh);
    refresh();
}

void SetupView::refresh()
{
    const DependencyManager* deps = m_state->deps();
    for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it)
        it.value()->setState(deps->state(it.key()));
    const bool failed = deps->phase() == Phase::failed;
    m_overall->setVisible(!failed);
    m_current->setVisible(!failed);
    m_overall->setValue(qRound(qBound(0.0, deps->overall(), 1.0) * 1000));
    m_current->setText(deps->current());
    m_failure->setVisible(failed);
    m_retry->setVisible(failed);
    m_retry->setEnabled(!deps->busy());
}
