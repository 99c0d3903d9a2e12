#include "Confirmation.h"

#include <QMessageBox>
#include <QPushButton>

namespace Confirmation {

namespace {

Answer& replacement()
{
    static Answer answer;
    return answer;
}

} // namespace

bool confirm(QWidget* parent, const QString& title, const QString& message, const QString& action)
{
    QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::NoButton, parent);
    box.setInformativeText(message);
    box.setWindowModality(Qt::WindowModal);
    QPushButton* destructive = box.addButton(action, QMessageBox::DestructiveRole);
    destructive->setAccessibleName(action);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    cancel->setAccessibleName(cancel->text().remove(QLatin1Char('&')));
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    if (replacement())
        return replacement()(box);
    box.exec();
    return box.clickedButton() == destructive;
}

void replaceForTesting(Answer answer)
{
    replacement() = std::move(answer);
}

} // namespace Confirmation
