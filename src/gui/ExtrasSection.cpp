#include "ExtrasSection.h"

#include "Appearance.h"
#include "ElidedLabel.h"
#include "FolderChooser.h"
#include "MediaInfo.h"
#include "SettingsStore.h"
#include "Symbols.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A check box that shows a boolean setting and writes every change to it.
QCheckBox* settingToggle(const QString& text, const char* key, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setAccessibleName(text);
    QObject::connect(box, &QCheckBox::toggled, box,
        [key](bool on) { SettingsStore::set(QLatin1String(key), on); });
    return box;
}

void showSetting(QCheckBox* box, const char* key)
{
    const QSignalBlocker quiet(box);
    box->setChecked(SettingsStore::boolean(QLatin1String(key)));
}

QString availability(const MediaInfo& info)
{
    if (!info.subtitleLangs.isEmpty()) {
        const QStringList first = info.subtitleLangs.mid(0, ExtrasSection::listedLanguages);
        return QObject::tr("Available: ") + first.join(QStringLiteral(", "))
            + (info.subtitleLangs.size() > ExtrasSection::listedLanguages ? QStringLiteral("…") : QString());
    }
    QString text = QObject::tr("No manual subtitles listed");
    if (!info.autoCaptionLangs.isEmpty())
        text += QObject::tr(" — auto captions available (enable “Include auto-generated”)");
    return text + QLatin1Char('.');
}

} // namespace

ExtrasSection::ExtrasSection(QWidget* parent)
    : QWidget(parent)
    , m_thumbnail(settingToggle(tr("Embed thumbnail"), "embedThumbnail", this))
    , m_metadata(settingToggle(tr("Embed metadata"), "embedMetadata", this))
    , m_subtitles(settingToggle(tr("Subtitles"), "writeSubs", this))
    , m_subtitlePane(new QWidget(this))
    , m_languages(new QLineEdit(m_subtitlePane))
    , m_autoSubs(settingToggle(tr("Include auto-generated"), "autoSubs", m_subtitlePane))
    , m_embedSubs(settingToggle(tr("Embed in video"), "embedSubs", m_subtitlePane))
    , m_availability(Appearance::secondaryLabel(QString(), m_subtitlePane))
    , m_folder(new ElidedLabel(QString(), this, Qt::ElideMiddle))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* toggles = new QHBoxLayout;
    toggles->addWidget(m_thumbnail);
    toggles->addWidget(m_metadata);
    toggles->addWidget(m_subtitles);
    toggles->addStretch(1);
    layout->addLayout(toggles);

    auto* subtitles = new QVBoxLayout(m_subtitlePane);
    subtitles->setContentsMargins(24, 0, 0, 0);
    const QString languages = tr("Languages (e.g. en.*,de)");
    m_languages->setPlaceholderText(languages);
    m_languages->setAccessibleName(languages);
    subtitles->addWidget(m_languages);
    auto* subtitleToggles = new QHBoxLayout;
    subtitleToggles->addWidget(m_autoSubs);
    subtitleToggles->addWidget(m_embedSubs);
    subtitleToggles->addStretch(1);
    subtitles->addLayout(subtitleToggles);
    subtitles->addWidget(m_availability);
    layout->addWidget(m_subtitlePane);

    auto* folderRow = new QHBoxLayout;
    auto* folderIcon = new QLabel(this);
    const int iconSize = fontMetrics().height();
    folderIcon->setPixmap(Symbols::icon(QStringLiteral("folder")).pixmap(iconSize, iconSize));
    folderRow->addWidget(folderIcon);
    folderRow->addWidget(m_folder, 1);
    auto* choose = new QPushButton(tr("Choose"), this);
    choose->setAccessibleName(choose->text());
    folderRow->addWidget(choose);
    layout->addLayout(folderRow);

    connect(m_languages, &QLineEdit::textEdited, this,
        [](const QString& text) { SettingsStore::set(QStringLiteral("subLangs"), text); });
    connect(m_subtitles, &QCheckBox::toggled, this, &ExtrasSection::updateSubtitleControls);
    connect(choose, &QPushButton::clicked, this, &ExtrasSection::chooseFolder);
    updateSubtitleControls();
}

void ExtrasSection::show(const MediaInfo& info)
{
    showSetting(m_thumbnail, "embedThumbnail");
    showSetting(m_metadata, "embedMetadata");
    showSetting(m_subtitles, "writeSubs");
    showSetting(m_autoSubs, "autoSubs");
    showSetting(m_embedSubs, "embedSubs");
    m_languages->setText(SettingsStore::string(QStringLiteral("subLangs")).value_or(QString()));
    m_availability->setText(availability(info));
    showFolder();
    updateSubtitleControls();
}

void ExtrasSection::setPreset(Preset preset)
{
    m_preset = preset;
    updateSubtitleControls();
}

void ExtrasSection::updateSubtitleControls()
{
    m_subtitlePane->setVisible(m_subtitles->isChecked());
    m_embedSubs->setVisible(m_preset != Preset::audio);
}

void ExtrasSection::chooseFolder()
{
    const QString current = SettingsStore::string(QStringLiteral("downloadFolder")).value_or(QDir::homePath());
    const QString chosen = FolderChooser::choose(window(), current);
    if (chosen.isEmpty())
        return;
    SettingsStore::set(QStringLiteral("downloadFolder"), chosen);
    showFolder();
}

void ExtrasSection::showFolder()
{
    const QString folder = QDir::cleanPath(
        SettingsStore::string(QStringLiteral("downloadFolder")).value_or(QDir::homePath()));
    // "~/Downloads" reads better than the home folder's full path; the
    // tooltip keeps the whole of it.
    const QString home = QDir::homePath();
    const bool inHome = folder == home || folder.startsWith(home + QLatin1Char('/'));
    m_folder->setText(inHome ? QStringLiteral("~") + folder.mid(home.size()) : folder);
    m_folder->setToolTip(folder);
    m_folder->setAccessibleName(folder);
}
