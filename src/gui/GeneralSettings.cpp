#include "GeneralSettings.h"

#include "Appearance.h"
#include "ElidedLabel.h"
#include "FolderChooser.h"
#include "SettingsControls.h"
#include "SettingsStore.h"

#include <QCheckBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QString defaultTemplate = QStringLiteral("%(title)s [%(id)s].%(ext)s");

} // namespace

GeneralSettings::GeneralSettings(QWidget* parent)
    : QWidget(parent)
    , m_folder(new ElidedLabel(QString(), this, Qt::ElideMiddle))
{
    using namespace SettingsControls;
    auto* layout = new QVBoxLayout(this);

    auto* top = new QFormLayout;
    auto* folderRow = new QHBoxLayout;
    Appearance::makeSecondary(m_folder);
    folderRow->addWidget(m_folder, 1);
    auto* choose = new QPushButton(tr("Choose…"), this);
    choose->setAccessibleName(tr("Choose download folder"));
    folderRow->addWidget(choose);
    top->addRow(tr("Download folder"), folderRow);
    layout->addLayout(top);

    auto* names = new QGroupBox(this);
    auto* namesLayout = new QVBoxLayout(names);
    m_template = textField(QStringLiteral("outputTemplate"), tr("Filename template"), QString(), names);
    m_template->setFont(Appearance::monospace());
    auto* templateRow = new QFormLayout;
    templateRow->addRow(tr("Filename template"), m_template);
    namesLayout->addLayout(templateRow);
    QLabel* variables = Appearance::secondaryLabel(tr("Variables: %(title)s  %(uploader)s  %(upload_date)s  "
                                                      "%(id)s  %(playlist_index)s  %(resolution)s  %(ext)s"),
        names);
    variables->setFont(Appearance::scaled(variables->font(), 0.85));
    namesLayout->addWidget(variables);
    auto* reset = new QPushButton(tr("Reset to default"), names);
    reset->setAccessibleName(reset->text());
    reset->setFont(Appearance::scaled(reset->font(), 0.9));
    namesLayout->addWidget(reset, 0, Qt::AlignLeft);
    namesLayout->addWidget(
        toggle(tr("Number playlist items (001 - …)"), QStringLiteral("playlistNumbering"), names));
    layout->addWidget(names);

    auto* bottom = new QFormLayout;
    bottom->addRow(
        stepper(tr("Simultaneous downloads: "), QString(), QStringLiteral("maxConcurrent"), 1, 6, 1, this));
    bottom->addRow(
        toggle(tr("Show notifications when downloads finish"), QStringLiteral("notifications"), this));
    bottom->addRow(toggle(tr("Watch clipboard for links"), QStringLiteral("clipboardMonitor"), this));
    layout->addLayout(bottom);
    layout->addStretch(1);

    connect(choose, &QPushButton::clicked, this, &GeneralSettings::chooseFolder);
    connect(reset, &QPushButton::clicked, this, [this] { m_template->setText(defaultTemplate); });
    showFolder();
}

void GeneralSettings::chooseFolder()
{
    const QString current
        = SettingsStore::string(QStringLiteral("downloadFolder")).value_or(QDir::homePath());
    const QString chosen = FolderChooser::choose(window(), current);
    if (chosen.isEmpty())
        return;
    SettingsStore::set(QStringLiteral("downloadFolder"), chosen);
    showFolder();
}

void GeneralSettings::showFolder()
{
    const QString folder = SettingsStore::string(QStringLiteral("downloadFolder")).value_or(QString());
    m_folder->setText(QDir::toNativeSeparators(folder));
}
