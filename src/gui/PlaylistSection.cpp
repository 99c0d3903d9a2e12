#include "PlaylistSection.h"

#include "Appearance.h"
#include "PlaylistModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Space ticks or unticks the current row wherever its focus is, not only in
// the check box's column.
class PlaylistList : public QTreeView {
public:
    using QTreeView::QTreeView;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const QModelIndex current = currentIndex();
        if (event->key() == Qt::Key_Space && current.isValid()) {
            const QModelIndex box = current.siblingAtColumn(PlaylistModel::PositionColumn);
            const bool checked = box.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
            model()->setData(box, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
            return;
        }
        QTreeView::keyPressEvent(event);
    }
};

} // namespace

PlaylistSection::PlaylistSection(QWidget* parent)
    : QWidget(parent)
    , m_model(new PlaylistModel(this))
    , m_list(new PlaylistList(this))
    , m_count(Appearance::secondaryLabel(QString(), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_count, 1);
    auto* all = new QPushButton(tr("Select All"), this);
    auto* none = new QPushButton(tr("None"), this);
    all->setAccessibleName(all->text());
    none->setAccessibleName(none->text());
    bar->addWidget(all);
    bar->addWidget(none);
    layout->addLayout(bar);

    m_list->setModel(m_model);
    m_list->setAccessibleName(tr("Playlist items"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setHeaderHidden(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Fixed columns: measuring 10,000 rows to size them would stall the window.
    QHeaderView* header = m_list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(PlaylistModel::TitleColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(PlaylistModel::PositionColumn, QHeaderView::Fixed);
    header->setSectionResizeMode(PlaylistModel::DurationColumn, QHeaderView::Fixed);
    header->resizeSection(PlaylistModel::DurationColumn, fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 16);
    layout->addWidget(m_list);

    connect(all, &QPushButton::clicked, this, [this] {
        QSet<int> positions;
        positions.reserve(m_entries.size());
        for (const PlaylistEntry& entry : std::as_const(m_entries))
            positions.insert(entry.id);
        emit selectionEdited(positions);
    });
    connect(none, &QPushButton::clicked, this, [this] { emit selectionEdited({}); });
    connect(m_model, &PlaylistModel::selectionEdited, this, &PlaylistSection::selectionEdited);
}

void PlaylistSection::setEntries(const QList<PlaylistEntry>& entries)
{
    m_entries = entries;
    m_model->setEntries(entries);
    int last = 0;
    for (const PlaylistEntry& entry : entries)
        last = qMax(last, entry.id);
    const int digits = int(QString::number(last).size());
    const int box = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, m_list);
    m_list->header()->resizeSection(
        PlaylistModel::PositionColumn, box + 20 + digits * fontMetrics().horizontalAdvance(QLatin1Char('0')));
    // As tall as its rows, up to the cap; a short playlist leaves no empty box.
    const int rows = int(entries.size());
    const int rowHeight = rows ? qMax(m_list->sizeHintForRow(0), m_list->fontMetrics().height()) : 0;
    const int frame = 2 * m_list->frameWidth();
    m_list->setFixedHeight(qMin(maxListHeight, rows * rowHeight + frame + 2));
    updateCount();
}

void PlaylistSection::setSelected(const QSet<int>& positions)
{
    m_selected = positions;
    m_model->setSelected(positions);
    updateCount();
}

void PlaylistSection::updateCount()
{
    m_count->setText(tr("%1 of %2 selected").arg(m_selected.size()).arg(m_entries.size()));
}
