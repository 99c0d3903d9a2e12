#include "VersionProbe.h"

#include "ToolOutput.h"

#include <QStringList>

namespace VersionProbe {

namespace {

QString firstLine(const QString& output)
{
    const QStringList lines = ToolOutput::lines(output);
    return lines.isEmpty() ? QString() : lines.first();
}

} // namespace

std::optional<QString> parse(Tool tool, const QString& output)
{
    const QString line = firstLine(output);
    switch (tool) {
    case Tool::ffmpeg:
    case Tool::ffprobe: {
        // "ffmpeg version 7.1 Copyright (c) ..."
        const QStringList pieces = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (pieces.size() >= 3 && pieces.at(1) == QLatin1String("version"))
            return pieces.at(2);
        return std::nullopt;
    }
    case Tool::ytdlp: {
        const QString version = ToolOutput::trimSpacesAndTabs(line);
        return version.isEmpty() ? std::nullopt : std::optional(version);
    }
    case Tool::deno: {
        // "deno 2.1.4 (stable, release, aarch64-apple-darwin)"
        QString rest = line;
        rest.remove(QStringLiteral("deno "));
        const QStringList pieces = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        return pieces.isEmpty() ? std::nullopt : std::optional(pieces.first());
    }
    case Tool::ejs:
        break;
    }
    return std::nullopt;
}

} // namespace VersionProbe
