#pragma once

// Overall set-up phase of the tool manager.
enum class Phase { checking, installing, ready, failed };
