#include "FormatSettings.h"

#include "SettingsControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

FormatSettings::FormatSettings(QWidget* parent)
    : QWidget(parent)
{
    using namespace SettingsControls;
    auto* layout = new QVBoxLayout(this);

    auto* form = new QFormLayout;
    form->addRow(tr("Video container"),
        picker(QStringLiteral("mergeContainer"), tr("Video container"),
            { QStringLiteral("mp4"), QStringLiteral("mkv"), QStringLiteral("webm") }, upperCase, this));
    form->addRow(toggle(tr("Prefer H.264/AAC for compatibility"), QStringLiteral("preferCompatible"), this));
    form->addRow(tr("Audio extraction format"),
        picker(QStringLiteral("audioFormat"), tr("Audio extraction format"),
            { QStringLiteral("mp3"), QStringLiteral("m4a"), QStringLiteral("opus"), QStringLiteral("flac"),
                QStringLiteral("wav"), QStringLiteral("aac"), QStringLiteral("vorbis") },
            upperCase, this));
    form->addRow(toggle(tr("Embed thumbnail"), QStringLiteral("embedThumbnail"), this));
    form->addRow(toggle(tr("Embed metadata"), QStringLiteral("embedMetadata"), this));
    layout->addLayout(form);

    auto* subtitles = new QGroupBox(tr("Subtitles"), this);
    auto* subtitlesForm = new QFormLayout(subtitles);
    QCheckBox* download = toggle(tr("Download subtitles"), QStringLiteral("writeSubs"), subtitles);
    QLineEdit* languages = textField(QStringLiteral("subLangs"), tr("Languages"), QString(), subtitles);
    QCheckBox* automatic
        = toggle(tr("Include auto-generated captions"), QStringLiteral("autoSubs"), subtitles);
    QCheckBox* embed = toggle(tr("Embed subtitles in video"), QStringLiteral("embedSubs"), subtitles);
    subtitlesForm->addRow(download);
    subtitlesForm->addRow(tr("Languages"), languages);
    subtitlesForm->addRow(automatic);
    subtitlesForm->addRow(embed);
    layout->addWidget(subtitles);
    layout->addStretch(1);

    // Greyed out, not cleared: the stored choices wait for subtitles to return.
    const auto follow = [=](bool on) {
        for (QWidget* control : { static_cast<QWidget*>(languages), static_cast<QWidget*>(automatic),
                 static_cast<QWidget*>(embed) })
            control->setEnabled(on);
    };
    connect(download, &QCheckBox::toggled, this, follow);
    follow(download->isChecked());
}
