// yt-dlp's output lines, as the engine sees them: split at run-together
// markers, parsed, and applied to a task whose progress must stay a fraction.
#include "DownloadTask.h"
#include "FuzzSupport.h"
#include "ProgressParser.h"

#include <cmath>

namespace {

void checkEvent(const ProgressEvent& event)
{
    if (const auto* progress = std::get_if<ProgressEvents::Progress>(&event)) {
        FUZZ_CHECK(!progress->speed || std::isfinite(*progress->speed));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DownloadOptions options;
    // Merged video+audio downloads weigh their two streams; odd first bytes take that path.
    if (size > 0 && (data[0] & 1))
        options.formatSelector = QStringLiteral("137+140");
    DownloadTask task(options);

    const QStringList lines = FuzzSupport::text(data, size).split(u'\n');
    for (const QString& line : lines) {
        const QStringList pieces = ProgressParser::splitMarkers(line);
        FUZZ_CHECK(pieces.join(QString()) == line);
        for (const QString& piece : pieces) {
            const std::optional<ProgressEvent> event = ProgressParser::parse(piece);
            if (!event)
                continue;
            checkEvent(*event);
            task.apply(*event);
            FUZZ_CHECK(std::isfinite(task.progress()) && task.progress() >= 0 && task.progress() <= 1);
            FUZZ_CHECK(!task.speed() || std::isfinite(*task.speed()));
            FUZZ_CHECK(task.itemCount() >= 1);
        }
    }
    return 0;
}
