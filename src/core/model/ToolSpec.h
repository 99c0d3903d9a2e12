#pragma once

#include "Tool.h"

#include <QList>
#include <QStringList>
#include <QUrl>

// Where one tool comes from and how its version is probed.
struct ToolSpec {
    Tool tool;
    // Tried strictly in order until one works.
    QList<QUrl> urls;
    // True: the download is an archive holding the executable somewhere inside.
    bool isArchive = false;
    // Make the executable print its version on standard output.
    QStringList versionArgs;
};
