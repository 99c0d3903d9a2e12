#include "ProgressParser.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

using namespace ProgressEvents;

constexpr QStringView progressPrefix = u"KWPROG|";
constexpr QStringView postprocessPrefix = u"KWPP|";
constexpr QStringView itemPrefix = u"KWITEM|";
constexpr QStringView filePrefix = u"KWFILE|";
constexpr QStringView errorPrefix = u"ERROR:";
constexpr QStringView warningPrefix = u"WARNING:";
constexpr QStringView destinationPrefix = u"[download] Destination: ";
constexpr QStringView mergingPrefix = u"[Merger] Merging formats into ";

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Removes leading and trailing characters for which `strip` holds.
template <typename Pred> QStringView trimmed(QStringView text, Pred strip)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && strip(text[begin]))
        ++begin;
    while (end > begin && strip(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QStringView trimmedBlanks(QStringView text)
{
    return trimmed(text, [](QChar c) { return c == u' ' || c == u'\t'; });
}

// Splits off the first `count` fields separated by "|"; the rest of the line
// (after the last split) stays whole. False when there are fewer separators.
bool splitFields(QStringView line, QStringView* fields, int count, QStringView& rest)
{
    qsizetype pos = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype bar = line.indexOf(u'|', pos);
        if (bar < 0)
            return false;
        fields[i] = line.sliced(pos, bar - pos);
        pos = bar + 1;
    }
    rest = line.sliced(pos);
    return true;
}

// Plain decimal notation: digits, an optional fraction, an optional exponent.
// QString::toDouble accepts all of it, and std::from_chars reads it the same
// way (correctly rounded) at a small fraction of the cost.
bool isPlainDecimal(QStringView text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    const auto digits = [&] {
        const qsizetype start = i;
        while (i < n && isDigit(text[i]))
            ++i;
        return i > start;
    };
    if (i < n && text[i] == u'-')
        ++i;
    if (!digits())
        return false;
    if (i < n && text[i] == u'.') {
        ++i;
        if (!digits())
            return false;
    }
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == n;
}

// A marker field as a number: what QString::toDouble accepts after trimming
// spaces and tabs, finite and within the 64-bit integer range.
std::optional<double> number(QStringView field)
{
    field = trimmedBlanks(field);
    if (field.isEmpty())
        return std::nullopt;
    // "NA", "None" and other words; the only words toDouble takes are
    // infinities and NaN, which are no number here either.
    const QChar first = field.front();
    if ((first >= u'A' && first <= u'Z') || (first >= u'a' && first <= u'z'))
        return std::nullopt;

    std::optional<double> value;
    char buffer[64];
    if (field.size() <= qsizetype(sizeof buffer) && isPlainDecimal(field)) {
        for (qsizetype i = 0; i < field.size(); ++i)
            buffer[i] = char(field[i].unicode());
        double parsed = 0;
        const auto [end, error] = std::from_chars(buffer, buffer + field.size(), parsed);
        if (error == std::errc() && end == buffer + field.size())
            value = parsed;
    }
    if (!value) {
        bool ok = false;
        const double parsed = field.toDouble(&ok);
        if (ok)
            value = parsed;
    }
    // 2^63 is exact in a double; anything from there on does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (!value || !std::isfinite(*value) || *value >= limit || *value < -limit)
        return std::nullopt;
    return value;
}

std::optional<qint64> wholeNumber(QStringView field)
{
    if (const auto value = number(field))
        return qint64(*value); // truncates toward zero; in range by number()
    return std::nullopt;
}

// A playlist position: an optional sign and decimal digits, nothing else.
std::optional<int> integer(QStringView field)
{
    qsizetype i = 0;
    bool negative = false;
    if (!field.isEmpty() && (field[0] == u'+' || field[0] == u'-')) {
        negative = field[0] == u'-';
        ++i;
    }
    if (i == field.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < field.size(); ++i) {
        if (!isDigit(field[i]))
            return std::nullopt;
        value = value * 10 + (field[i].unicode() - u'0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

std::optional<ProgressEvent> progress(QStringView line)
{
    QStringView fields[6];
    QStringView filename;
    if (!splitFields(line, fields, 6, filename))
        return std::nullopt;
    const auto downloaded = wholeNumber(fields[1]);
    if (!downloaded)
        return std::nullopt;
    Progress event;
    event.downloaded = *downloaded;
    event.total = wholeNumber(fields[2]);
    if (!event.total)
        event.total = wholeNumber(fields[3]);
    event.speed = number(fields[4]);
    event.eta = wholeNumber(fields[5]);
    event.filename = filename.toString();
    return event;
}

std::optional<ProgressEvent> postprocess(QStringView line)
{
    QStringView fields[2];
    QStringView status;
    if (!splitFields(line, fields, 2, status))
        return std::nullopt;
    return Postprocess { fields[1].toString(), status.toString() };
}

std::optional<ProgressEvent> item(QStringView line)
{
    QStringView fields[3];
    QStringView title;
    if (!splitFields(line, fields, 3, title))
        return std::nullopt;
    return Item { integer(fields[1]).value_or(1), integer(fields[2]).value_or(1), title.toString() };
}

bool startsWithMarker(QStringView text)
{
    return text.startsWith(progressPrefix) || text.startsWith(postprocessPrefix)
        || text.startsWith(itemPrefix) || text.startsWith(filePrefix) || text.startsWith(warningPrefix)
        || text.startsWith(errorPrefix);
}

// Where the status word of a postprocess marker piece ends; the piece's
// length when it is no such marker or nothing follows the status.
qsizetype postprocessStatusEnd(QStringView piece)
{
    if (!piece.startsWith(u"KWPP|"))
        return piece.size();
    const qsizetype bar = piece.indexOf(u'|', 5);
    if (bar < 0)
        return piece.size();
    qsizetype end = bar + 1;
    while (end < piece.size() && piece[end] >= u'a' && piece[end] <= u'z')
        ++end;
    return end == bar + 1 ? piece.size() : end;
}

} // namespace

namespace ProgressParser {

std::optional<ProgressEvent> parse(const QString& line)
{
    const QStringView view(line);
    // The first character picks the only prefixes that can match.
    switch (view.isEmpty() ? char16_t(0) : view.front().unicode()) {
    case u'K':
        if (view.startsWith(progressPrefix))
            return progress(view);
        if (view.startsWith(postprocessPrefix))
            return postprocess(view);
        if (view.startsWith(itemPrefix))
            return item(view);
        if (view.startsWith(filePrefix))
            return FinalFile { view.sliced(filePrefix.size()).toString() };
        break;
    case u'E':
        if (view.startsWith(errorPrefix))
            return Error { trimmedBlanks(view.sliced(errorPrefix.size())).toString() };
        break;
    case u'W':
        if (view.startsWith(warningPrefix))
            return Warning { trimmedBlanks(view.sliced(warningPrefix.size())).toString() };
        break;
    case u'[':
        if (view.startsWith(destinationPrefix))
            return Destination { view.sliced(destinationPrefix.size()).toString() };
        if (view.startsWith(mergingPrefix))
            return Merging { trimmed(view.sliced(mergingPrefix.size()), [](QChar c) {
                return c == u'"' || c == u' ';
            }).toString() };
        break;
    default:
        break;
    }
    return Info { line };
}

QStringList splitMarkers(const QString& line)
{
    QStringList pieces;
    const QStringView view(line);
    qsizetype start = 0;
    const auto take = [&](qsizetype end) {
        const QStringView piece = view.sliced(start, end - start);
        // A postprocess status is one lower-case word; what follows it on the
        // same line is another line of yt-dlp's run together with the marker.
        const qsizetype statusEnd = postprocessStatusEnd(piece);
        if (statusEnd < piece.size()) {
            pieces << piece.first(statusEnd).toString() << piece.sliced(statusEnd).toString();
        } else {
            pieces << (start == 0 && end == view.size() ? line : piece.toString());
        }
        start = end;
    };
    for (qsizetype i = 1; i < view.size(); ++i) {
        const QChar c = view[i];
        if ((c == u'K' || c == u'W' || c == u'E') && startsWithMarker(view.sliced(i)))
            take(i);
    }
    take(view.size());
    return pieces;
}

} // namespace ProgressParser
