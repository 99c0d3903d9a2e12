#pragma once

#include <QWidget>

class AppState;
class ExtrasSection;
class MediaHeader;
class NoticeBox;
class PlaylistSection;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;
class QualitySection;

// The Download screen: the link bar, then what the link offers and the
// choices that turn it into a queued download.
class DownloadView : public QWidget {
    Q_OBJECT

public:
    // Typing queries once, this long after the last key.
    static constexpr int queryDelayMs = 450;

    explicit DownloadView(AppState* state, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    QWidget* buildLinkBar();
    QWidget* buildIdle();
    QWidget* buildLoading();
    QWidget* buildLoaded();
    QLabel* sectionTitle(const QString&, QWidget* parent) const;

    void query();
    void queryIfChanged();
    void showLinkText();
    void linkTextChanged();
    void paste();
    void showFetchState();
    void showInfo();
    void showSelection();
    void updateActionText();

    AppState* m_state;
    QLineEdit* m_field;
    QToolButton* m_clear;
    QPushButton* m_download;
    QTimer* m_query;
    QString m_queriedText;

    QWidget* m_idle;
    QWidget* m_loading;
    NoticeBox* m_failed;
    QWidget* m_loaded;

    MediaHeader* m_header;
    QualitySection* m_quality;
    QWidget* m_playlistPane;
    PlaylistSection* m_playlist;
    ExtrasSection* m_extras;
    QPushButton* m_action;
};
