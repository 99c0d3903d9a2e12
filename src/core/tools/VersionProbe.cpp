#include "VersionProbe.h"

#include <QStringList>

namespace VersionProbe {

namespace {

QString firstLine(const QString& output)
{
    const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.first();
}

QString trimSpacesAndTabs(const QString& text)
{
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
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
        const QString version = trimSpacesAndTabs(line);
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
