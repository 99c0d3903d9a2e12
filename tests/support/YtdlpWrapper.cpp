#include "YtdlpWrapper.h"

#include "TestSupport.h"

#include <QFile>

namespace YtdlpWrapper {

QString write(const QString& scriptPath, const QString& ytdlpPath)
{
    const QByteArray script = "#!/bin/sh\n"
                              "drop=\n"
                              "ended=\n"
                              "for arg in \"$@\"; do\n"
                              "  shift\n"
                              "  if [ -n \"$drop\" ]; then drop=; continue; fi\n"
                              "  case \"$ended$arg\" in\n"
                              "    --remote-components|--js-runtimes) drop=1; continue ;;\n"
                              "    --) ended=1 ;;\n"
                              "  esac\n"
                              "  set -- \"$@\" \"$arg\"\n"
                              "done\n"
                              "exec '"
        + QFile::encodeName(ytdlpPath) + "' \"$@\"\n";
    return TestSupport::writeScript(scriptPath, script);
}

} // namespace YtdlpWrapper
