#include "Preset.h"

QString rawValue(Preset preset)
{
    switch (preset) {
    case Preset::best:
        return QStringLiteral("Best Quality");
    case Preset::uhd:
        return QStringLiteral("4K");
    case Preset::hd1080:
        return QStringLiteral("1080p");
    case Preset::hd720:
        return QStringLiteral("720p");
    case Preset::audio:
        return QStringLiteral("Audio Only");
    case Preset::custom:
        return QStringLiteral("Advanced");
    }
    Q_UNREACHABLE();
    return {};
}

std::optional<Preset> presetFromRawValue(const QString& text)
{
    for (const Preset preset : allPresets()) {
        if (rawValue(preset) == text)
            return preset;
    }
    return std::nullopt;
}

QList<Preset> allPresets()
{
    return { Preset::best, Preset::uhd, Preset::hd1080, Preset::hd720, Preset::audio, Preset::custom };
}

std::optional<int> heightCap(Preset preset)
{
    switch (preset) {
    case Preset::uhd:
        return 2160;
    case Preset::hd1080:
        return 1080;
    case Preset::hd720:
        return 720;
    case Preset::best:
    case Preset::audio:
    case Preset::custom:
        return std::nullopt;
    }
    Q_UNREACHABLE();
    return std::nullopt;
}
