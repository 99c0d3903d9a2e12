// Free text from the clipboard, drops and other programs: every link found
// is a web link, no stretch of text yields two, and long texts stay fast.
#include "FuzzSupport.h"
#include "LinkRules.h"

#include <QHash>

#include <ctime>

namespace {

// Where a link can start: its scheme's "://" or a bare "www.".
qsizetype linkStarts(const QString& text)
{
    return text.count(QLatin1String("://")) + text.count(QLatin1String("www."), Qt::CaseInsensitive);
}

void checkLinks(const QString& text)
{
    const QList<QUrl> links = extractURLs(text);
    FUZZ_CHECK(links.size() <= linkStarts(text));
    for (const QUrl& link : links) {
        const QString scheme = link.scheme();
        FUZZ_CHECK(scheme == QLatin1String("http") || scheme == QLatin1String("https"));
        FUZZ_CHECK(!link.host().isEmpty());
        // Found links need no dot in the host (a local name); everything else
        // about them must satisfy the rule for one typed link.
        if (link.host().contains(QLatin1Char('.')))
            FUZZ_CHECK(validWebURL(link.toString(QUrl::FullyEncoded)).has_value());
    }
}

// Processor time of this thread: unlike the wall clock, it does not grow
// when other work on a busy machine takes the core away.
double cpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = FuzzSupport::text(data, size);
    checkLinks(text);
    if (const auto single = validWebURL(text)) {
        FUZZ_CHECK(single->host().contains(QLatin1Char('.')));
    }

    // One input in a few thousand (chosen by its content, so a failure
    // reproduces) is repeated to a megabyte and timed. A quadratic scan takes
    // minutes there; the sanitizers make even the linear one several times
    // slower than a release build, hence the generous limit.
    if (!text.isEmpty() && qHash(text) % 4096 == 0) {
        QString large;
        large.reserve(1024 * 1024 + text.size());
        while (large.size() < 1024 * 1024)
            large += text;
        const double start = cpuSeconds();
        extractURLs(large);
        FUZZ_CHECK(cpuSeconds() - start < 2.0);
    }
    return 0;
}
