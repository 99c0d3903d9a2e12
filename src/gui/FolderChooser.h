#pragma once

#include <QString>

#include <functional>

class QWidget;

// Asks the user for a folder (folders only, new folders allowed, the accept
// button reads "Choose"). Tests put their own answer in its place.
namespace FolderChooser {

using Chooser = std::function<QString(QWidget* parent, const QString& start)>;

// The chosen folder, or empty when the user cancelled.
QString choose(QWidget* parent, const QString& start);
// Replaces the dialog; an empty function restores it.
void replaceForTesting(Chooser);

} // namespace FolderChooser
