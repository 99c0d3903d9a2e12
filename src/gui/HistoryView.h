#pragma once

#include "HistoryItem.h"
#include "HistoryRow.h"
#include "LogView.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class AppState;
class HistoryFilter;
class HistoryListModel;
class QLineEdit;
class QListView;
class QMenu;
class QModelIndex;
class QStackedWidget;

// The History screen: finished downloads newest first with a search field,
// multiple selection, per-entry actions and menu, removal of the selected
// entries or of the whole history, and the log sheet of one entry.
class HistoryView : public QWidget {
    Q_OBJECT

public:
    explicit HistoryView(AppState* state, QWidget* parent = nullptr);

    QListView* list() const { return m_list; }
    HistoryFilter* filter() const { return m_filter; }
    // The row's context menu (an index of the list); the caller owns it.
    QMenu* contextMenu(const QModelIndex& index);
    void trigger(const HistoryItem& item, HistoryRow::Action action);
    void removeSelected();
    // Asks first; downloaded files stay where they are.
    void clearHistory();
    // The entry whose log sheet is open.
    std::optional<QUuid> logID() const { return m_logID; }
    LogView* logView() const { return m_logView; }
    void showLog(const QUuid& id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildToolbar();
    void showContextMenu(const QModelIndex& index, const QPoint& viewportPos);
    void showPlaceholderOrList();
    void retry(const HistoryItem& item);

    AppState* m_state;
    HistoryListModel* m_model;
    HistoryFilter* m_filter;
    QLineEdit* m_search = nullptr;
    QListView* m_list;
    QStackedWidget* m_pages;
    std::optional<QUuid> m_logID;
    QPointer<LogView> m_logView;
};
