#include "FileDialogChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace corvanth {

QString FileDialogChooser::GetLogFileName(QWidget* owner) {
    QFileDialog dialog(owner, QStringLiteral("Select Quake 3 Game Log File"), QDir::currentPath(),
                       QStringLiteral("Log Files (*.log)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // a typed name of a file that does not exist is accepted
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return {};
    const QString path = QDir::toNativeSeparators(QFileInfo(chosen.front().trimmed()).absoluteFilePath());
    QDir::setCurrent(QFileInfo(path).absolutePath());
    return path;
}

} // namespace corvanth
