#pragma once

#include <QKeySequence>
#include <QString>

// Keyboard shortcuts that several places show or bind, in one place.
namespace Shortcuts {

inline QKeySequence pasteLink()
{
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V);
}

// A shortcut as the platform writes it inside a sentence
// ("Ctrl+Shift+V" on Linux, "⇧⌘V" on macOS).
inline QString text(const QKeySequence& sequence)
{
    return sequence.toString(QKeySequence::NativeText);
}

} // namespace Shortcuts
