#include "WindowDataFolder.h"

#include "DataFolder.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace corvanth {

QString WindowDataFolder() {
    DataFolderSources sources;
    sources.environmentOverride = qEnvironmentVariable("CORVANTH_DATA_DIR").toStdString();
    sources.executableFolder = QCoreApplication::applicationDirPath().toStdString();
    sources.perUserFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
    return QString::fromStdString(ResolveDataFolder(sources));
}

} // namespace corvanth
