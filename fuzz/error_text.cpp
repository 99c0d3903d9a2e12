// yt-dlp's failure text becomes the one sentence the user reads.
#include "ErrorInterpreter.h"
#include "FuzzSupport.h"

#include <QtEndian>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first four bytes are the exit status, the rest the error output.
    int exitCode = 1;
    if (size >= 4) {
        exitCode = qFromBigEndian<qint32>(data);
        data += 4;
        size -= 4;
    }
    const QString sentence = ErrorInterpreter::explain(FuzzSupport::text(data, size), exitCode);
    FUZZ_CHECK(!sentence.trimmed().isEmpty());
    FUZZ_CHECK(!sentence.contains(QLatin1Char('\n')));
    return 0;
}
