#pragma once

#include "MediaInfo.h"

#include <QAbstractTableModel>
#include <QSet>

// The entries of a playlist as checkable rows: position (with the check
// box), title and duration.
class PlaylistModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { PositionColumn, TitleColumn, DurationColumn, ColumnCount };
    enum Role { PositionRole = Qt::UserRole + 1 };

    explicit PlaylistModel(QObject* parent = nullptr);

    void setEntries(const QList<PlaylistEntry>&);
    void setSelected(const QSet<int>& positions);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex&, int role) const override;
    bool setData(const QModelIndex&, const QVariant&, int role) override;
    Qt::ItemFlags flags(const QModelIndex&) const override;

signals:
    // The user ticked or unticked rows: the whole new set of positions.
    void selectionEdited(const QSet<int>& positions);

private:
    QList<PlaylistEntry> m_entries;
    QSet<int> m_selected;
};
