#include "UpdateHint.h"

#include "ErrorInterpreter.h"

namespace UpdateHint {

bool suggestsUpdate(const QString& errorText, const QString& explained)
{
    // The interpreter's own messages for a refused request (HTTP 403) and a
    // failed challenge, asked for by one of their needles rather than copied.
    static const QString refused = ErrorInterpreter::explain(QStringLiteral("http error 403"), 1);
    static const QString challenge = ErrorInterpreter::explain(QStringLiteral("n challenge"), 1);
    if (explained == refused || explained == challenge)
        return true;
    const QString haystack = errorText.toLower();
    return haystack.contains(QLatin1String("unable to extract"))
        || haystack.contains(QLatin1String("nsig extraction failed"))
        || (haystack.contains(QLatin1String("please report this issue"))
            && haystack.contains(QLatin1String("confirm you are on the latest version")));
}

} // namespace UpdateHint
