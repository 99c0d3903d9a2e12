#pragma once

#include <QWidget>

// The "Formats" tab: container, audio format, embedding and subtitles.
class FormatSettings : public QWidget {
    Q_OBJECT

public:
    explicit FormatSettings(QWidget* parent = nullptr);
};
