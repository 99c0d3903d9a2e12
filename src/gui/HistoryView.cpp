#include "HistoryView.h"

#include "AppState.h"
#include "Appearance.h"
#include "Confirmation.h"
#include "DownloadManager.h"
#include "FileManager.h"
#include "HistoryFilter.h"
#include "HistoryListModel.h"
#include "HistoryRowDelegate.h"
#include "HistoryStore.h"
#include "Placeholder.h"
#include "RowListView.h"
#include "Symbols.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

HistoryView::HistoryView(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_model(new HistoryListModel(state->history(), this))
    , m_filter(new HistoryFilter(this))
{
    m_filter->setSourceModel(m_model);
    m_list = new RowListView(this);
    m_list->setModel(m_filter);
    auto* delegate = new HistoryRowDelegate(m_list);
    m_list->setItemDelegate(delegate);
    m_list->setAccessibleName(tr("History entries"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(m_list, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { showContextMenu(m_list->indexAt(pos), pos); });
    m_list->installEventFilter(this);
    connect(
        delegate, &ButtonRowDelegate::actionTriggered, this, [this](const QModelIndex& index, int action) {
            if (const std::optional<HistoryItem> item = m_model->item(m_filter->mapToSource(index)))
                trigger(*item, HistoryRow::Action(action));
        });

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(
        new Placeholder(QStringLiteral("clock.arrow.circlepath"), tr("No history yet"), {}, m_pages));
    m_pages->addWidget(m_list);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildToolbar());
    column->addWidget(m_pages, 1);

    connect(m_model, &QAbstractItemModel::rowsInserted, this, &HistoryView::showPlaceholderOrList);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &HistoryView::showPlaceholderOrList);
    showPlaceholderOrList();
}

QWidget* HistoryView::buildToolbar()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(20, 16, 20, 10);
    auto* title = new QLabel(tr("History"), bar);
    title->setFont(Appearance::scaled(font(), 1.5, QFont::Bold));
    row->addWidget(title);
    row->addSpacing(12);
    m_search = new QLineEdit(bar);
    m_search->setPlaceholderText(tr("Search history"));
    m_search->setAccessibleName(tr("Search history"));
    m_search->setClearButtonEnabled(true);
    m_search->addAction(Symbols::icon(QStringLiteral("magnifyingglass")), QLineEdit::LeadingPosition);
    m_search->setMaximumWidth(320);
    connect(m_search, &QLineEdit::textChanged, m_filter, &HistoryFilter::setSearch);
    row->addWidget(m_search, 1);
    row->addStretch(0);
    const auto button = [&](const QString& symbol, const QString& text) {
        auto* b = new QPushButton(Symbols::icon(symbol), text, bar);
        b->setAccessibleName(text);
        row->addWidget(b);
        return b;
    };
    connect(button(QStringLiteral("minus.circle"), tr("Remove Selected")), &QPushButton::clicked, this,
        &HistoryView::removeSelected);
    connect(button(QStringLiteral("trash"), tr("Clear History")), &QPushButton::clicked, this,
        &HistoryView::clearHistory);
    return bar;
}

void HistoryView::showPlaceholderOrList()
{
    // A search without matches shows an empty list; only an empty history shows the placeholder.
    m_pages->setCurrentIndex(m_model->rowCount() == 0 ? 0 : 1);
}

void HistoryView::removeSelected()
{
    QSet<QUuid> ids;
    for (const QModelIndex& index : m_list->selectionModel()->selectedIndexes())
        ids.insert(index.data(HistoryListModel::IdRole).toUuid());
    if (!ids.isEmpty())
        m_state->history()->remove(ids);
}

void HistoryView::clearHistory()
{
    if (Confirmation::confirm(
            this, tr("Clear all history?"), tr("Downloaded files are not deleted."), tr("Clear History")))
        m_state->history()->clear();
}

QMenu* HistoryView::contextMenu(const QModelIndex& index)
{
    const std::optional<HistoryItem> found = m_model->item(m_filter->mapToSource(index));
    if (!found)
        return nullptr;
    const HistoryItem item = *found;
    auto* menu = new QMenu(this);
    if (item.filePath) {
        menu->addAction(tr("Open File"), this, [this, item] { trigger(item, HistoryRow::Action::openFile); });
        menu->addAction(
            tr("Show in Folder"), this, [this, item] { trigger(item, HistoryRow::Action::showInFolder); });
    }
    menu->addAction(tr("Open Folder"), this, [item] { FileManager::open(item.folder); });
    menu->addAction(
        tr("Copy Source URL"), this, [item] { QGuiApplication::clipboard()->setText(item.sourceURL); });
    menu->addAction(tr("Show Log"), this, [this, item] { showLog(item.id); });
    if (item.status != TaskStatus::completed)
        menu->addAction(tr("Retry Download"), this, [this, item] { retry(item); });
    menu->addSeparator();
    menu->addAction(
        tr("Remove from History"), this, [this, item] { m_state->history()->remove({ item.id }); });
    return menu;
}

void HistoryView::showContextMenu(const QModelIndex& index, const QPoint& viewportPos)
{
    QMenu* menu = contextMenu(index);
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_list->viewport()->mapToGlobal(viewportPos));
}

bool HistoryView::eventFilter(QObject* watched, QEvent* event)
{
    // The menu key opens the menu of the current row.
    if (watched == m_list && event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        const QModelIndex current = m_list->currentIndex();
        showContextMenu(current, m_list->visualRect(current).center());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void HistoryView::trigger(const HistoryItem& item, HistoryRow::Action action)
{
    switch (action) {
    case HistoryRow::Action::openFile:
        if (item.filePath)
            FileManager::open(*item.filePath);
        break;
    case HistoryRow::Action::showInFolder:
        if (item.filePath)
            FileManager::showItem(*item.filePath);
        break;
    case HistoryRow::Action::retry:
        retry(item);
        break;
    case HistoryRow::Action::showLog:
        showLog(item.id);
        break;
    }
}

void HistoryView::retry(const HistoryItem& item)
{
    m_state->downloads()->enqueue(item.options);
}

void HistoryView::showLog(const QUuid& id)
{
    if (m_logView)
        m_logView->close();
    m_logID = id;
    m_logView = LogView::present(id, this);
    connect(m_logView, &QDialog::finished, this, [this] { m_logID.reset(); });
}
