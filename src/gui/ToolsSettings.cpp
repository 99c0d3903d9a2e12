#include "ToolsSettings.h"

#include "AppPaths.h"
#include "AppState.h"
#include "Appearance.h"
#include "DependencyManager.h"
#include "FileManager.h"
#include "SettingsControls.h"
#include "Spinner.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ToolsSettings::ToolsSettings(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_deps(state->deps())
{
    auto* layout = new QVBoxLayout(this);

    auto* installed = new QGroupBox(tr("Installed tools"), this);
    auto* rows = new QFormLayout(installed);
    for (Tool tool : allTools()) {
        auto* value = new QLabel(installed);
        Appearance::makeSecondary(value);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_labels.insert(tool, value);
        rows->addRow(rawValue(tool), value);
    }
    layout->addWidget(installed);

    auto* form = new QFormLayout;
    form->addRow(SettingsControls::toggle(
        tr("Check for yt-dlp and Deno updates automatically"), QStringLiteral("autoUpdateTools"), this));
    form->addRow(SettingsControls::toggle(tr("Let yt-dlp fetch challenge solver (ejs) from GitHub if needed"),
        QStringLiteral("remoteEJS"), this));

    auto* buttonRow = new QHBoxLayout;
    m_actions = new QWidget(this);
    auto* actions = new QHBoxLayout(m_actions);
    actions->setContentsMargins(0, 0, 0, 0);
    const auto button = [this, actions](const QString& text) {
        auto* push = new QPushButton(text, m_actions);
        push->setAccessibleName(text);
        actions->addWidget(push);
        return push;
    };
    QPushButton* update = button(tr("Check for Updates"));
    QPushButton* repair = button(tr("Repair Dependencies"));
    QPushButton* reveal = button(tr("Reveal Tools Folder"));
    buttonRow->addWidget(m_actions);
    m_spinner = new Spinner(14, this);
    m_spinner->setAccessibleName(tr("Working"));
    buttonRow->addWidget(m_spinner);
    buttonRow->addStretch(1);
    form->addRow(buttonRow);
    m_current = Appearance::secondaryLabel(QString(), this);
    m_current->setFont(Appearance::scaled(m_current->font(), 0.85));
    form->addRow(m_current);
    layout->addLayout(form);
    layout->addStretch(1);

    // Both actions run on by themselves; the tab follows busy and current.
    connect(update, &QPushButton::clicked, this, [this] { m_deps->updateTools(); });
    connect(repair, &QPushButton::clicked, this, [this] { m_state->repairTools(); });
    connect(reveal, &QPushButton::clicked, this,
        [] { FileManager::open(AppPaths::sub(QStringLiteral("Tools"))); });
    connect(m_deps, &DependencyManager::statesChanged, this, &ToolsSettings::showStates);
    connect(m_deps, &DependencyManager::busyChanged, this, &ToolsSettings::showBusy);
    connect(m_deps, &DependencyManager::currentChanged, this, &ToolsSettings::showBusy);
    showStates();
    showBusy();
}

QString ToolsSettings::label(const ComponentState& state)
{
    using namespace ComponentStatuses;
    if (const auto* working = std::get_if<Working>(&state.status))
        return working->label;
    if (const auto* failed = std::get_if<Failed>(&state.status))
        return tr("Problem: ") + failed->message;
    if (std::holds_alternative<Installed>(state.status))
        return state.version.value_or(tr("Installed"));
    return tr("Not installed");
}

void ToolsSettings::showStates()
{
    const ComponentStates states = m_deps->states();
    for (auto it = m_labels.cbegin(); it != m_labels.cend(); ++it) {
        // A tool without a state gets the default one, unknown.
        const QString text = label(states.value(it.key()));
        it.value()->setText(text);
        it.value()->setAccessibleName(rawValue(it.key()) + QStringLiteral(": ") + text);
    }
}

void ToolsSettings::showBusy()
{
    const bool busy = m_deps->busy();
    m_actions->setEnabled(!busy);
    m_spinner->setVisible(busy);
    m_current->setText(m_deps->current());
    m_current->setVisible(busy && !m_deps->current().isEmpty());
}
