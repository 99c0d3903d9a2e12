#pragma once

#include "Preset.h"

#include <QWidget>

class ElidedLabel;
class QCheckBox;
class QLabel;
class QLineEdit;
struct MediaInfo;

// "Extras": embedding, subtitles and the download folder, each written to
// its setting the moment it changes.
class ExtrasSection : public QWidget {
    Q_OBJECT

public:
    static constexpr int listedLanguages = 12;

    explicit ExtrasSection(QWidget* parent = nullptr);

    // Shows the settings as stored now and what the media offers.
    void show(const MediaInfo&);
    void setPreset(Preset);

private:
    void chooseFolder();
    void showFolder();
    void updateSubtitleControls();

    QCheckBox* m_thumbnail;
    QCheckBox* m_metadata;
    QCheckBox* m_subtitles;
    QWidget* m_subtitlePane;
    QLineEdit* m_languages;
    QCheckBox* m_autoSubs;
    QCheckBox* m_embedSubs;
    QLabel* m_availability;
    ElidedLabel* m_folder;
    Preset m_preset = Preset::best;
};
