#pragma once

#include "CpuArchitecture.h"
#include "ToolSpec.h"

// FFmpeg and ffprobe as this program obtains them.
namespace FFmpegManager {
// For ffmpeg or ffprobe; two sources, the second one a different build host.
ToolSpec spec(Tool tool);
ToolSpec spec(Tool tool, CpuArchitecture arch);
} // namespace FFmpegManager
