// yt-dlp's media-information JSON, shaped by whatever the page holds.
#include "FormatManager.h"
#include "Formatting.h"
#include "FuzzSupport.h"

#include <QJsonDocument>

#include <cmath>

namespace {

bool finiteOrNone(const std::optional<double>& value)
{
    return !value || std::isfinite(*value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QJsonDocument document = QJsonDocument::fromJson(FuzzSupport::bytes(data, size));
    if (!document.isObject())
        return 0;
    const QString fallback = QStringLiteral("https://example.com/watch");
    const MediaInfo info = FormatManager::parse(document.object(), fallback);
    FUZZ_CHECK(info == FormatManager::parse(document.object(), fallback));
    FUZZ_CHECK(finiteOrNone(info.duration));
    formatDuration(info.duration);
    for (const FormatInfo& format : info.formats) {
        FUZZ_CHECK(finiteOrNone(format.fps) && finiteOrNone(format.tbr));
        FUZZ_CHECK(!format.label().isEmpty());
    }
    for (qsizetype i = 0; i < info.entries.size(); ++i) {
        FUZZ_CHECK(info.entries[i].id == i + 1);
        FUZZ_CHECK(finiteOrNone(info.entries[i].duration));
    }
    info.videoFormats();
    info.audioFormats();
    info.heights();
    return 0;
}
