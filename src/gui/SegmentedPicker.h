#pragma once

#include <QWidget>

class QButtonGroup;

// A row of joined, mutually exclusive buttons: one choice out of a few short
// labels, all visible at once.
class SegmentedPicker : public QWidget {
    Q_OBJECT

public:
    explicit SegmentedPicker(const QStringList& labels, QWidget* parent = nullptr);

    int currentIndex() const;
    void setCurrentIndex(int);

signals:
    // Only for the user's own choices, not for setCurrentIndex.
    void activated(int index);

private:
    QButtonGroup* m_group;
};
