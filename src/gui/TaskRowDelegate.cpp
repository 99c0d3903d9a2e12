#include "TaskRowDelegate.h"

#include "Appearance.h"
#include "TaskListModel.h"
#include "TaskRow.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionProgressBar>

namespace {
constexpr int iconSize = 22;
constexpr int padding = 8;
constexpr int barHeight = 6;
constexpr int lineGap = 5;

} // namespace

QList<ButtonRowDelegate::Button> TaskRowDelegate::buttons(const QModelIndex& index) const
{
    QList<Button> shown;
    for (const QVariant& value : index.data(TaskListModel::ActionsRole).toList()) {
        const auto action = TaskRow::Action(value.toInt());
        shown.append({ TaskRow::symbol(action), TaskRow::label(action), int(action) });
    }
    return shown;
}

void TaskRowDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect content = paintFrame(painter, option, index);
    const auto status = TaskStatus(index.data(TaskListModel::StatusRole).toInt());
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    const QColor text = palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor secondary = selected ? text : Appearance::secondaryText(palette);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    // A finished row has no progress bar: its two lines sit in the middle.
    const int top = content.top() + padding + (isFinished(status) ? (barHeight + lineGap) / 2 : 0);
    const QRect icon(content.left(), top + 1, iconSize, iconSize);
    paintSymbol(painter, icon, index.data(TaskListModel::SymbolRole).toString(),
        TaskRow::statusTint(status, palette), false);

    const int left = icon.right() + 10;
    QRect line(left, top, content.right() - left, 0);

    // Title, with the playlist position after it in the secondary colour.
    const QFont bold = Appearance::scaled(option.font, 1.0, QFont::DemiBold);
    const QFontMetrics boldMetrics(bold);
    line.setHeight(boldMetrics.height());
    const QString position = index.data(TaskListModel::PositionRole).toString();
    const int positionWidth = position.isEmpty() ? 0 : option.fontMetrics.horizontalAdvance(position) + 8;
    const QString title = boldMetrics.elidedText(
        index.data(Qt::DisplayRole).toString(), Qt::ElideRight, line.width() - positionWidth);
    painter->setFont(bold);
    painter->setPen(text);
    painter->drawText(line, Qt::AlignLeft | Qt::AlignVCenter, title);
    if (!position.isEmpty()) {
        painter->setFont(option.font);
        painter->setPen(secondary);
        painter->drawText(line.adjusted(boldMetrics.horizontalAdvance(title) + 8, 0, 0, 0),
            Qt::AlignLeft | Qt::AlignVCenter, position);
    }
    line.translate(0, line.height() + lineGap);

    if (!isFinished(status)) {
        QStyleOptionProgressBar bar;
        bar.rect = QRect(line.left(), line.top(), line.width(), barHeight);
        bar.palette = palette;
        bar.state = QStyle::State_Enabled | QStyle::State_Horizontal;
        bar.minimum = 0;
        bar.maximum = 1000;
        bar.progress
            = qRound(std::clamp(index.data(TaskListModel::ProgressRole).toDouble(), 0.0, 1.0) * 1000);
        bar.textVisible = false;
        QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
        line.translate(0, barHeight + lineGap);
    }

    const QFont small = Appearance::scaled(option.font, 0.92);
    const QFontMetrics smallMetrics(small);
    line.setHeight(smallMetrics.height());
    painter->setFont(small);
    painter->setPen(status == TaskStatus::failed && !selected ? Appearance::failure() : secondary);
    painter->drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
        smallMetrics.elidedText(
            index.data(TaskListModel::StatusLineRole).toString(), Qt::ElideRight, line.width()));
    painter->restore();
}

QSize TaskRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    // Every row keeps room for the progress bar, so rows do not jump when a task finishes.
    const QFontMetrics bold(Appearance::scaled(option.font, 1.0, QFont::DemiBold));
    const QFontMetrics small(Appearance::scaled(option.font, 0.92));
    return { 320, padding * 2 + bold.height() + lineGap + barHeight + lineGap + small.height() };
}
