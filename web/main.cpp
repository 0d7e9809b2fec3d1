#include "WebProgram.h"

#include "ProgramIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <iostream>

using namespace corvanth;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromUtf8(identity::Organization));
    QCoreApplication::setApplicationName(QString::fromUtf8(identity::Application));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(identity::Version));

    WebProgramPlaces places;
    places.executableFolder = QCoreApplication::applicationDirPath().toStdString();
    places.perUserFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
    places.dataDirEnvironment = qEnvironmentVariable("CORVANTH_DATA_DIR").toStdString();
    places.databaseEnvironment = qEnvironmentVariable("CORVANTH_DATABASE").toStdString();
    // The installed pages (<prefix>/share/corvanth/web), else those of the source tree it was built from.
    const QString installed =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/corvanth/web");
    places.staticFolder = QFileInfo::exists(installed + QStringLiteral("/login.html"))
                              ? QDir::cleanPath(installed).toStdString()
                              : std::string(CORVANTH_WEB_SOURCE_PAGES);
    return RunWebProgram(QCoreApplication::arguments(), places, std::cin, std::cout, std::cerr);
}
