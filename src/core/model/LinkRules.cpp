#include "LinkRules.h"

#include <algorithm>
#include <array>

namespace {

bool isBlankOrControl(QChar c)
{
    return c.isSpace() || c.category() == QChar::Other_Control;
}

bool endsLink(QChar c)
{
    switch (c.unicode()) {
    case '<':
    case '>':
    case '"':
    case u'“':
    case u'”':
    case u'«':
    case u'»':
    case 0x200B: // zero-width space, common in text copied from web pages
    case 0xFEFF:
    case 0xFFFD: // text that was decoded badly
        return true;
    default:
        return isBlankOrControl(c);
    }
}

bool isTrailingPunctuation(QChar c)
{
    switch (c.unicode()) {
    case '.':
    case ',':
    case ';':
    case ':':
    case '!':
    case '?':
    case '\'':
    case u'’':
    case u'…':
    case u'。':
    case u'、':
    case u'，':
    case u'！':
    case u'？':
        return true;
    default:
        return false;
    }
}

bool isSchemeChar(QChar c)
{
    return c.unicode() <= 0x7f
        && (c.isLetterOrNumber() || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('.'));
}

// A link starts only where a word starts: not inside "xhttp://" or "a@www.".
// Letters of other scripts count as a boundary: text without spaces
// (Japanese, Chinese) runs straight into links.
bool canStartLink(QStringView text, qsizetype i)
{
    if (i == 0)
        return true;
    const QChar before = text[i - 1];
    return !isSchemeChar(before) && before != QLatin1Char('@') && before != QLatin1Char('/')
        && before != QLatin1Char('\\') && before != QLatin1Char('_');
}

// Length of the scheme name at i when "://" follows it, otherwise 0.
qsizetype schemeLength(QStringView text, qsizetype i)
{
    constexpr qsizetype longestScheme = 32; // keeps the scan linear on long words
    if (!text[i].isLetter() || !isSchemeChar(text[i]))
        return 0;
    qsizetype end = i + 1;
    while (end < text.size() && end - i <= longestScheme && isSchemeChar(text[end]))
        ++end;
    return text.mid(end).startsWith(u"://") ? end - i : 0;
}

bool startsBareWww(QStringView text, qsizetype i)
{
    return text.mid(i).startsWith(u"www.", Qt::CaseInsensitive) && i + 4 < text.size()
        && text[i + 4].isLetterOrNumber();
}

qsizetype linkEnd(QStringView text, qsizetype start)
{
    qsizetype end = start;
    while (end < text.size() && !endsLink(text[end]))
        ++end;
    return end;
}

constexpr std::array<std::pair<char16_t, char16_t>, 3> bracketPairs { {
    { u'(', u')' },
    { u'[', u']' },
    { u'{', u'}' },
} };

// Index of the pair the character opens (or closes), -1 when none.
int bracketIndex(QChar c, bool closing)
{
    for (std::size_t p = 0; p < bracketPairs.size(); ++p) {
        if (c == (closing ? bracketPairs[p].second : bracketPairs[p].first))
            return int(p);
    }
    return -1;
}

// Drops trailing punctuation and closing brackets that close nothing inside
// the link, so "(see https://a.org/x_(y))." keeps "x_(y)".
qsizetype trimmedEnd(QStringView text, qsizetype start, qsizetype end)
{
    qsizetype tail = end;
    while (tail > start && (isTrailingPunctuation(text[tail - 1]) || bracketIndex(text[tail - 1], true) >= 0))
        --tail;

    std::array<qsizetype, bracketPairs.size()> open {}; // brackets still open before the tail
    for (qsizetype i = start; i < tail; ++i) {
        if (const int p = bracketIndex(text[i], false); p >= 0)
            ++open[p];
        else if (const int q = bracketIndex(text[i], true); q >= 0 && open[q] > 0)
            --open[q];
    }
    // The tail belongs to the link up to its last closing bracket that has a partner.
    qsizetype result = tail;
    for (qsizetype i = tail; i < end; ++i) {
        const int p = bracketIndex(text[i], true);
        if (p < 0)
            continue;
        if (open[p] == 0)
            break;
        --open[p];
        result = i + 1;
    }
    return result;
}

bool isWebScheme(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

std::optional<QUrl> detectedWebURL(QStringView link, bool bareWww)
{
    const QString text = bareWww ? QStringLiteral("http://") + link : link.toString();
    const QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid() || !isWebScheme(url) || url.host().isEmpty())
        return std::nullopt;
    return url;
}

} // namespace

std::optional<QUrl> validWebURL(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    // One link never holds white space; the tolerant parser would encode it.
    if (std::any_of(trimmed.cbegin(), trimmed.cend(), isBlankOrControl))
        return std::nullopt;
    const QUrl url(trimmed, QUrl::TolerantMode);
    if (!url.isValid() || !isWebScheme(url))
        return std::nullopt;
    if (!url.host().contains(QLatin1Char('.')))
        return std::nullopt;
    return url;
}

QList<QUrl> extractURLs(const QString& text)
{
    QList<QUrl> found;
    const QStringView view(text);
    qsizetype i = 0;
    while (i < view.size()) {
        if (!canStartLink(view, i)) {
            ++i;
            continue;
        }
        const bool hasScheme = schemeLength(view, i) > 0;
        const bool bareWww = !hasScheme && startsBareWww(view, i);
        if (!hasScheme && !bareWww) {
            ++i;
            continue;
        }
        // Links of other schemes (ftp, file) are skipped whole, so a
        // "www." inside them is not taken for a web link.
        const qsizetype end = linkEnd(view, i);
        const qsizetype last = trimmedEnd(view, i, end);
        if (const std::optional<QUrl> url = detectedWebURL(view.sliced(i, last - i), bareWww))
            found.append(*url);
        i = end;
    }
    return found;
}
