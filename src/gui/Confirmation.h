#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

// Asks before something that cannot be undone: a message box with a
// destructive button and Cancel (the default). Tests put their own answer
// in place of the user's.
namespace Confirmation {

// Given the prepared box, says whether the destructive button was chosen.
using Answer = std::function<bool(QMessageBox&)>;

bool confirm(QWidget* parent, const QString& title, const QString& message, const QString& action);
// Replaces the user's answer; an empty function restores the dialog.
void replaceForTesting(Answer);

} // namespace Confirmation
