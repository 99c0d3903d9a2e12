#include "YtdlpWrapper.h"

#include "TestSupport.h"

#include <QFile>

QString YtdlpWrapper::write(const QString& scriptPath, const QString& ytdlpPath)
{
    const QByteArray dropOptions = R"(#!/bin/sh
drop=
ended=
for arg in "$@"; do
  shift
  if [ -n "$drop" ]; then drop=; continue; fi
  case "$ended$arg" in
    --remote-components|--js-runtimes) drop=1; continue ;;
    --) ended=1 ;;
  esac
  set -- "$@" "$arg"
done
)";
    return TestSupport::writeScript(scriptPath, dropOptions + "exec '" + QFile::encodeName(ytdlpPath) + "' \"$@\"\n");
}
