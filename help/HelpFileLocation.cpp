#include "HelpFileLocation.h"

#include <QDir>
#include <QFileInfo>

namespace corvanth {

QString FindHelpFile(const QString& executableFolder) {
    const QDir folder(executableFolder);
    const QString beside = QDir::cleanPath(folder.filePath(HelpFileName));
    if (QFileInfo(beside).isFile()) return beside;
    const QString installed =
        QDir::cleanPath(folder.filePath(QStringLiteral("../share/corvanth/") + HelpFileName));
    if (QFileInfo(installed).isFile()) return installed;
    return beside;
}

} // namespace corvanth
