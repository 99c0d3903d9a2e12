#pragma once

#include <QList>
#include <QLocale>
#include <QString>

struct HistoryItem;
class QDateTime;

// What one row of the history shows for an entry besides its title: the
// line with status, date and size, and the icon buttons the entry offers.
namespace HistoryRow {

enum class Action { openFile, showInFolder, retry, showLog };

// "Completed · May 1, 2024, 9:30 AM · 12.3 MB"
QString detailLine(const HistoryItem&, const QLocale& locale = QLocale());
// An abbreviated date with a short time, in the order and words of the locale.
QString dateText(const QDateTime&, const QLocale& locale = QLocale());
QList<Action> actions(const HistoryItem&);
QString label(Action);
QString symbol(Action);

} // namespace HistoryRow
