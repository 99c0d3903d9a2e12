#include "QualitySection.h"

#include "Appearance.h"
#include "AppState.h"
#include "ChoicePicker.h"
#include "MediaInfo.h"
#include "SegmentedPicker.h"
#include "SettingsStore.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

const QStringList audioFormats { "mp3", "m4a", "opus", "flac", "wav", "aac", "vorbis" };
const QStringList containers { "mp4", "mkv", "webm" };

QString label(Preset preset)
{
    return preset == Preset::custom ? QObject::tr("Advanced Formats") : rawValue(preset);
}

QString setting(const char* key)
{
    return SettingsStore::string(QLatin1String(key)).value_or(QString());
}

// A picker that writes its choice to a setting at once.
ChoicePicker* settingPicker(const QString& name, const char* key, const QStringList& values, QWidget* parent)
{
    auto* picker = new ChoicePicker(name, parent);
    picker->setUpperCaseValues(values);
    QObject::connect(picker, &ChoicePicker::valueChosen, picker,
        [key](const QString& value) { SettingsStore::set(QLatin1String(key), value); });
    return picker;
}

} // namespace

QualitySection::QualitySection(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
{
    QStringList labels;
    for (Preset preset : allPresets())
        labels << label(preset);
    m_presets = new SegmentedPicker(labels, this);
    m_presets->setAccessibleName(tr("Quality"));

    m_audioPane = new QWidget(this);
    auto* audioForm = new QFormLayout(m_audioPane);
    audioForm->setContentsMargins(0, 0, 0, 0);
    m_audioFormat = settingPicker(tr("Audio format"), "audioFormat", audioFormats, m_audioPane);
    audioForm->addRow(tr("Audio format"), m_audioFormat);

    m_customPane = new QWidget(this);
    auto* customForm = new QFormLayout(m_customPane);
    customForm->setContentsMargins(0, 0, 0, 0);
    m_video = new ChoicePicker(tr("Video"), m_customPane);
    m_audio = new ChoicePicker(tr("Audio"), m_customPane);
    m_video->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_audio->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_video->setMinimumContentsLength(28);
    m_audio->setMinimumContentsLength(28);
    customForm->addRow(tr("Video"), m_video);
    customForm->addRow(tr("Audio"), m_audio);
    customForm->addRow(Appearance::secondaryLabel(
        tr("Pick exact format IDs. If the video format already includes audio, choose “No audio” to keep it as-is."),
        m_customPane));

    m_mergedPane = new QWidget(this);
    auto* merged = new QHBoxLayout(m_mergedPane);
    merged->setContentsMargins(0, 0, 0, 0);
    m_hint = Appearance::secondaryLabel(QString(), m_mergedPane);
    merged->addWidget(m_hint, 1);
    auto* containerLabel = new QLabel(tr("Container"), m_mergedPane);
    m_container = settingPicker(tr("Container"), "mergeContainer", containers, m_mergedPane);
    containerLabel->setBuddy(m_container);
    merged->addWidget(containerLabel);
    merged->addWidget(m_container);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_presets);
    layout->addWidget(m_audioPane);
    layout->addWidget(m_customPane);
    layout->addWidget(m_mergedPane);

    connect(m_presets, &SegmentedPicker::activated, this,
        [this](int index) { m_state->setPreset(allPresets().value(index, Preset::best)); });
    connect(m_state, &AppState::presetChanged, this, [this] {
        if (m_state->preset() != Preset::custom)
            SettingsStore::set(QStringLiteral("defaultPreset"), rawValue(m_state->preset()));
        showPreset();
    });
    connect(m_video, &ChoicePicker::valueChosen, m_state, &AppState::setVideoFormatID);
    connect(m_audio, &ChoicePicker::valueChosen, m_state, &AppState::setAudioFormatID);
    connect(m_state, &AppState::videoFormatIDChanged, this, [this] { m_video->setValue(m_state->videoFormatID()); });
    connect(m_state, &AppState::audioFormatIDChanged, this, [this] { m_audio->setValue(m_state->audioFormatID()); });
    showPreset();
}

void QualitySection::show(const MediaInfo& info)
{
    m_heights = info.heights();
    m_video->clear();
    m_video->addChoice(tr("Automatic (best)"), QStringLiteral("auto"));
    for (const FormatInfo& format : info.videoFormats())
        m_video->addChoice(format.label(), format.id);
    m_audio->clear();
    m_audio->addChoice(tr("Automatic (best)"), QStringLiteral("auto"));
    m_audio->addChoice(tr("No audio"), QStringLiteral("none"));
    for (const FormatInfo& format : info.audioFormats())
        m_audio->addChoice(format.label(), format.id);
    m_video->setValue(m_state->videoFormatID());
    m_audio->setValue(m_state->audioFormatID());
    m_audioFormat->setValue(setting("audioFormat"));
    m_container->setValue(setting("mergeContainer"));
    showPreset();
}

void QualitySection::showPreset()
{
    const Preset preset = m_state->preset();
    m_presets->setCurrentIndex(int(allPresets().indexOf(preset)));
    m_audioPane->setVisible(preset == Preset::audio);
    m_customPane->setVisible(preset == Preset::custom);
    m_mergedPane->setVisible(preset != Preset::audio && preset != Preset::custom);
    updateHint();
}

void QualitySection::updateHint()
{
    const Preset preset = m_state->preset();
    const std::optional<int> cap = heightCap(preset);
    if (cap && !m_heights.isEmpty() && m_heights.first() < *cap)
        m_hint->setText(tr("Highest available is %1p — that’s what you’ll get.").arg(m_heights.first()));
    else if (preset == Preset::best)
        m_hint->setText(tr("Highest quality video and audio, merged by FFmpeg."));
    else
        m_hint->setText(tr("Best quality up to %1, merged by FFmpeg.").arg(rawValue(preset)));
}
