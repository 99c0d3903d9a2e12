#pragma once

#include <QString>

// The desktop's file manager: showing a file selected in its folder, and
// opening files and folders with their default applications.
namespace FileManager {

// Asks the file manager to show the file selected
// (org.freedesktop.FileManager1.ShowItems); opens its folder when no file
// manager answers.
void showItem(const QString& path);
// Opens a folder or a file with the desktop's default application.
void open(const QString& path);

} // namespace FileManager
