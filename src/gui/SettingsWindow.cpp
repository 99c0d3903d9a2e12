#include "SettingsWindow.h"

#include "FormatSettings.h"
#include "GeneralSettings.h"
#include "NetworkSettings.h"
#include "Symbols.h"
#include "ToolsSettings.h"

#include <QTabWidget>
#include <QVBoxLayout>

SettingsWindow::SettingsWindow(AppState* state, QWidget* parent)
    : QDialog(parent)
    , m_tabs(new QTabWidget(this))
{
    setWindowTitle(tr("Klipwell Settings"));
    setFixedSize(contentWidth, contentHeight);
    m_tabs->setAccessibleName(tr("Settings sections"));
    m_tabs->setDocumentMode(true);
    m_tabs->addTab(new GeneralSettings(m_tabs), Symbols::icon(QStringLiteral("gearshape")), tr("General"));
    m_tabs->addTab(new FormatSettings(m_tabs), Symbols::icon(QStringLiteral("film")), tr("Formats"));
    m_tabs->addTab(new NetworkSettings(m_tabs), Symbols::icon(QStringLiteral("network")), tr("Network"));
    m_tabs->addTab(new ToolsSettings(state, m_tabs), Symbols::icon(QStringLiteral("wrench.and.screwdriver")),
        tr("Tools"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
}
