#include "FolderChooser.h"

#include <QFileDialog>

namespace FolderChooser {

namespace {

Chooser& replacement()
{
    static Chooser chooser;
    return chooser;
}

} // namespace

QString choose(QWidget* parent, const QString& start)
{
    if (replacement())
        return replacement()(parent, start);
    QFileDialog dialog(parent, QObject::tr("Choose"), start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, QObject::tr("Choose"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void replaceForTesting(Chooser chooser)
{
    replacement() = std::move(chooser);
}

} // namespace FolderChooser
