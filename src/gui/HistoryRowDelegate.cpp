#include "HistoryRowDelegate.h"

#include "Appearance.h"
#include "HistoryListModel.h"
#include "HistoryRow.h"
#include "TaskRow.h"

#include <QPainter>

namespace {
constexpr int iconSize = 22;
constexpr int padding = 8;
constexpr int lineGap = 3;

QFont smallFont(const QFont& base)
{
    return Appearance::scaled(base, 0.92);
}
} // namespace

QList<ButtonRowDelegate::Button> HistoryRowDelegate::buttons(const QModelIndex& index) const
{
    QList<Button> shown;
    for (const QVariant& value : index.data(HistoryListModel::ActionsRole).toList()) {
        const auto action = HistoryRow::Action(value.toInt());
        shown.append({ HistoryRow::symbol(action), HistoryRow::label(action), int(action) });
    }
    return shown;
}

void HistoryRowDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect content = paintFrame(painter, option, index);
    const auto status = TaskStatus(index.data(HistoryListModel::StatusRole).toInt());
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    const QColor text = palette.color(selected ? QPalette::HighlightedText : QPalette::Text);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    // Without an error line the two other lines sit in the middle of the row.
    const QString error = index.data(HistoryListModel::ErrorRole).toString();
    const int top = content.top() + padding
        + (error.isEmpty() ? (lineGap + QFontMetrics(smallFont(option.font)).height()) / 2 : 0);
    const QRect icon(content.left(), top + 1, iconSize, iconSize);
    paintSymbol(painter, icon, index.data(HistoryListModel::SymbolRole).toString(),
        TaskRow::statusTint(status, palette), false);

    const int left = icon.right() + 10;
    const QFont bold = Appearance::scaled(option.font, 1.0, QFont::DemiBold);
    const QFont small = smallFont(option.font);
    const QFontMetrics boldMetrics(bold);
    const QFontMetrics smallMetrics(small);
    QRect line(left, top, content.right() - left, boldMetrics.height());
    painter->setFont(bold);
    painter->setPen(text);
    painter->drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
        boldMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, line.width()));

    line.translate(0, line.height() + lineGap);
    line.setHeight(smallMetrics.height());
    painter->setFont(small);
    painter->setPen(selected ? text : Appearance::secondaryText(palette));
    painter->drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
        smallMetrics.elidedText(
            index.data(HistoryListModel::DetailRole).toString(), Qt::ElideRight, line.width()));

    if (!error.isEmpty()) {
        line.translate(0, line.height() + lineGap);
        painter->setPen(selected ? text : Appearance::failure());
        painter->drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
            smallMetrics.elidedText(error, Qt::ElideRight, line.width()));
    }
    painter->restore();
}

QSize HistoryRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    // One height for every row (room for an error line) keeps long histories fast to lay out.
    const QFontMetrics bold(Appearance::scaled(option.font, 1.0, QFont::DemiBold));
    const QFontMetrics small(smallFont(option.font));
    return { 320, padding * 2 + bold.height() + 2 * (lineGap + small.height()) };
}
