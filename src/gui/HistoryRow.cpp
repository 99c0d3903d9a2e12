#include "HistoryRow.h"

#include "Formatting.h"
#include "HistoryItem.h"

#include <QDateTime>
#include <QObject>
#include <QRegularExpression>

namespace HistoryRow {

QString detailLine(const HistoryItem& item, const QLocale& locale)
{
    QStringList parts { displayLabel(item.status), dateText(item.date, locale) };
    if (item.size && *item.size >= 1)
        parts << formatBytes(*item.size);
    return parts.join(QStringLiteral(" · "));
}

QString dateText(const QDateTime& date, const QLocale& locale)
{
    // The locale's long date without the weekday and with short month
    // names: "MMMM d, yyyy" becomes "MMM d, yyyy", "d. MMMM yyyy" "d. MMM yyyy".
    QString format = locale.dateFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("d{4}[,.\\s]*|[,\\s]*d{4}")));
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    const QDateTime local = date.toLocalTime();
    return locale.toString(local.date(), format.trimmed()) + QStringLiteral(", ")
        + locale.toString(local.time(), QLocale::ShortFormat);
}

QList<Action> actions(const HistoryItem& item)
{
    QList<Action> shown;
    if (item.status == TaskStatus::completed && item.filePath)
        shown << Action::openFile << Action::showInFolder;
    if (item.status != TaskStatus::completed)
        shown << Action::retry;
    shown << Action::showLog;
    return shown;
}

QString label(Action action)
{
    switch (action) {
    case Action::openFile:
        return QObject::tr("Open file");
    case Action::showInFolder:
        return QObject::tr("Show in Folder");
    case Action::retry:
        return QObject::tr("Retry");
    case Action::showLog:
        return QObject::tr("Show log");
    }
    return {};
}

QString symbol(Action action)
{
    switch (action) {
    case Action::openFile:
        return QStringLiteral("play.circle");
    case Action::showInFolder:
        return QStringLiteral("folder");
    case Action::retry:
        return QStringLiteral("arrow.clockwise");
    case Action::showLog:
        return QStringLiteral("doc.text");
    }
    return {};
}

} // namespace HistoryRow
