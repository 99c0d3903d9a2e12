// The extra-arguments field: whatever the user types becomes a clean list.
#include "FuzzSupport.h"
#include "SplitArguments.h"

namespace {

// Single quotes keep everything literal; a quote inside is closed, escaped and reopened.
QString quoted(const QStringList& arguments)
{
    QStringList words;
    for (QString argument : arguments)
        words << QLatin1Char('\'') + argument.replace(QLatin1Char('\''), QLatin1String("'\\''"))
                + QLatin1Char('\'');
    return words.join(QLatin1Char(' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = FuzzSupport::text(data, size);
    const QStringList arguments = splitArguments(text);
    const bool quotes = text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\''));
    for (const QString& argument : arguments)
        FUZZ_CHECK(quotes || !argument.isEmpty());
    FUZZ_CHECK(splitArguments(quoted(arguments)) == arguments);
    return 0;
}
