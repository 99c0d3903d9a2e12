#pragma once

#include "Preset.h"

#include <QWidget>

class AppState;
class ChoicePicker;
class QLabel;
class SegmentedPicker;
struct MediaInfo;

// "Quality": the preset picker and the controls of the chosen preset.
class QualitySection : public QWidget {
    Q_OBJECT

public:
    explicit QualitySection(AppState* state, QWidget* parent = nullptr);

    // Takes the formats of newly loaded media and the settings as they are now.
    void show(const MediaInfo&);

private:
    void showPreset();
    void updateHint();

    AppState* m_state;
    QList<int> m_heights;
    SegmentedPicker* m_presets;
    QWidget* m_audioPane;
    QWidget* m_customPane;
    QWidget* m_mergedPane;
    ChoicePicker* m_audioFormat;
    ChoicePicker* m_video;
    ChoicePicker* m_audio;
    QLabel* m_hint;
    ChoicePicker* m_container;
};
