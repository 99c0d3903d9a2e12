#include "DiagnosticsView.h"

#include "AppPaths.h"
#include "AppState.h"
#include "Appearance.h"
#include "ComponentRow.h"
#include "CpuArchitecture.h"
#include "DependencyManager.h"
#include "FileManager.h"
#include "LogManager.h"
#include "Spinner.h"
#include "Symbols.h"
#include "SystemInfo.h"

#include <QClipboard>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// One line of selectable text; long lines widen the scrolling content rather
// than wrap, which a scroll area cannot size.
QLabel* selectable(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

QPushButton* actionButton(const QString& symbol, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(Symbols::icon(symbol), text, parent);
    button->setAccessibleName(text);
    return button;
}

} // namespace

DiagnosticsView::DiagnosticsView(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
{
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 16, 20, 16);
    column->setSpacing(14);

    auto* title = new QLabel(tr("Diagnostics"), content);
    title->setFont(Appearance::scaled(font(), 1.5, QFont::Bold));
    column->addWidget(title);
    column->addWidget(systemBox());
    column->addWidget(dependenciesBox());

    m_results = new QGroupBox(tr("Results"), content);
    m_resultLines = new QVBoxLayout(m_results);
    m_resultLines->setSpacing(6);
    column->addWidget(m_results);

    auto* buttons = new QHBoxLayout;
    auto* run = actionButton(QStringLiteral("stethoscope"), tr("Run Diagnostics"), content);
    auto* repair = actionButton(QStringLiteral("wrench.and.screwdriver"), tr("Repair Dependencies"), content);
    auto* copy = actionButton(QStringLiteral("doc.on.doc"), tr("Copy Report"), content);
    auto* appLog = actionButton(QStringLiteral("doc.text"), tr("App Log"), content);
    m_spinner = new Spinner(16, content);
    for (QWidget* widget : std::initializer_list<QWidget*> { run, repair, copy, appLog, m_spinner })
        buttons->addWidget(widget);
    buttons->addStretch(1);
    column->addLayout(buttons);
    column->addStretch(1);

    connect(run, &QPushButton::clicked, this, [this] { m_state->deps()->runDiagnostics(); });
    connect(repair, &QPushButton::clicked, this, [this] { m_state->repairTools(); });
    connect(copy, &QPushButton::clicked, this, [this] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(m_state->deps()->report());
    });
    connect(appLog, &QPushButton::clicked, this,
        [] { FileManager::showItem(LogManager::shared().appLogPath()); });

    auto* scroll = new QScrollArea(this);
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    DependencyManager* deps = m_state->deps();
    connect(deps, &DependencyManager::statesChanged, this, &DiagnosticsView::refreshTools);
    connect(deps, &DependencyManager::ejsDetailChanged, this, &DiagnosticsView::refreshTools);
    connect(deps, &DependencyManager::diagnosticsChanged, this, &DiagnosticsView::refreshResults);
    connect(deps, &DependencyManager::runningDiagnosticsChanged, this, &DiagnosticsView::refreshBusy);
    connect(deps, &DependencyManager::busyChanged, this, &DiagnosticsView::refreshBusy);
    refreshTools();
    refreshResults();
    refreshBusy();
}

QGroupBox* DiagnosticsView::systemBox()
{
    auto* box = new QGroupBox(tr("System"));
    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    const auto line = [&](const QString& label, const QString& value) {
        auto* field = selectable(value, box);
        field->setAccessibleName(label);
        form->addRow(label, field);
    };
    line(SystemInfo::name(), SystemInfo::versionText());
    line(tr("Architecture"), displayText(currentArchitecture()));
    line(tr("Tools folder"), toolsDirectory());
    line(tr("Logs folder"), AppPaths::sub(QStringLiteral("Logs")));
    return box;
}

QGroupBox* DiagnosticsView::dependenciesBox()
{
    auto* box = new QGroupBox(tr("Dependencies"));
    auto* rows = new QVBoxLayout(box);
    rows->setSpacing(2);
    for (Tool tool : allTools()) {
        auto* row = new ComponentRow(tool, box);
        m_rows.insert(tool, row);
        rows->addWidget(row);
        if (tool == Tool::ejs)
            continue;
        auto* path = selectable(toolPath(tool), box);
        path->setFont(Appearance::monospace(0.8));
        path->setContentsMargins(42, 0, 10, 4);
        path->setAccessibleName(tr("%1 path").arg(rawValue(tool)));
        Appearance::makeSecondary(path);
        rows->addWidget(path);
    }
    m_ejsDetail = selectable(QString(), box);
    m_ejsDetail->setContentsMargins(10, 4, 10, 0);
    rows->addWidget(m_ejsDetail);
    return box;
}

void DiagnosticsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    const DependencyManager* deps = m_state->deps();
    if (deps->diagnostics().isEmpty() && !deps->runningDiagnostics())
        m_state->deps()->runDiagnostics();
}

void DiagnosticsView::refreshTools()
{
    const DependencyManager* deps = m_state->deps();
    for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it)
        it.value()->setState(deps->state(it.key()));
    const QString ejs = deps->ejsDetail();
    m_ejsDetail->setVisible(!ejs.isEmpty());
    m_ejsDetail->setText(QStringLiteral("yt-dlp-ejs: ") + ejs);
}

void DiagnosticsView::refreshResults()
{
    while (QLayoutItem* item = m_resultLines->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QList<DiagnosticItem> items = m_state->deps()->diagnostics();
    m_results->setVisible(!items.isEmpty());
    for (const DiagnosticItem& item : items) {
        auto* line = new QWidget(m_results);
        auto* layout = new QHBoxLayout(line);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* icon = new QLabel(line);
        icon->setPixmap(Symbols::drawn(
            item.ok ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("xmark.octagon.fill"),
            item.ok ? Appearance::success() : Appearance::failure())
                            .pixmap(16, 16));
        icon->setAccessibleName(item.ok ? tr("OK") : tr("Problem"));
        auto* name = selectable(item.name, line);
        name->setFont(Appearance::scaled(font(), 1.0, QFont::Medium));
        auto* detail = selectable(item.detail, line);
        Appearance::makeSecondary(detail);
        layout->addWidget(icon, 0, Qt::AlignTop);
        layout->addWidget(name, 0, Qt::AlignTop);
        layout->addWidget(detail, 1);
        m_resultLines->addWidget(line);
    }
}

void DiagnosticsView::refreshBusy()
{
    const DependencyManager* deps = m_state->deps();
    m_spinner->setVisible(deps->runningDiagnostics() || deps->busy());
}
