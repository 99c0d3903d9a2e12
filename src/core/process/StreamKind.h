#pragma once

// Which standard stream of a child process a line came from.
enum class StreamKind { out, err };
