#pragma once

#include <QList>
#include <QString>

#include <optional>

// The quality choice the user makes on the Download screen.
enum class Preset { best, uhd, hd1080, hd720, audio, custom };

QString rawValue(Preset);
std::optional<Preset> presetFromRawValue(const QString&);
QList<Preset> allPresets();
// Largest video height the preset asks for; none for best, audio and custom.
std::optional<int> heightCap(Preset);
