#pragma once

#include "MediaInfo.h"

#include <QSet>
#include <QWidget>

class PlaylistModel;
class QLabel;
class QTreeView;

// "Playlist items": how many are chosen, Select All / None, and the
// checkable list of entries.
class PlaylistSection : public QWidget {
    Q_OBJECT

public:
    static constexpr int maxListHeight = 220;

    explicit PlaylistSection(QWidget* parent = nullptr);

    void setEntries(const QList<PlaylistEntry>&);
    void setSelected(const QSet<int>& positions);
    QTreeView* list() const { return m_list; }

signals:
    void selectionEdited(const QSet<int>& positions);

private:
    void updateCount();

    PlaylistModel* m_model;
    QTreeView* m_list;
    QLabel* m_count;
    QList<PlaylistEntry> m_entries;
    QSet<int> m_selected;
};
