#pragma once

#include "CheckResult.h"
#include "CpuArchitecture.h"
#include "ToolSpec.h"

#include <QCoroTask>

// FFmpeg and ffprobe as this program obtains them.
namespace FFmpegManager {
// For ffmpeg or ffprobe; two sources, the second one a different build host.
ToolSpec spec(Tool tool);
ToolSpec spec(Tool tool, CpuArchitecture arch);
// Encodes generated silence with the ffmpeg of the tools folder (or executable).
QCoro::Task<CheckResult> smokeTest();
QCoro::Task<CheckResult> smokeTest(QString executable, double timeoutSeconds);
} // namespace FFmpegManager
