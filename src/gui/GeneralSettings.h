#pragma once

#include <QWidget>

class ElidedLabel;
class QLineEdit;

// The "General" tab: download folder, file names, simultaneous downloads,
// notifications and the clipboard watch.
class GeneralSettings : public QWidget {
    Q_OBJECT

public:
    explicit GeneralSettings(QWidget* parent = nullptr);

private:
    void chooseFolder();
    void showFolder();

    ElidedLabel* m_folder;
    QLineEdit* m_template;
};
