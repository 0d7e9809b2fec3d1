#include "CliContext.h"
#include "DataFolder.h"
#include "ProgramIdentity.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

using namespace corvanth;

namespace {

QString Usage() {
    return QStringLiteral(
               "Usage: corvanth-cli [--data-dir DIR] [--database LOCATION] COMMAND [ARGS]\n"
               "\n"
               "Commands:\n"
               "  process LOG [--start POS]                 read a game log into the names database\n"
               "  follow LOG [LOG...] [--poll MS]           keep following logs as the servers write them\n"
               "  position LOG                              the journaled position for LOG\n"
               "  search name PATTERN [--aliases] [--broad] names matching PATTERN (* ? # [list])\n"
               "  search ip PATTERN                         rows whose address matches PATTERN\n"
               "  search guid PATTERN                       rows of the pairs seen with a matching client "
               "GUID\n"
               "  search name|ip|guid PATTERN --cluster [--depth N] [--broad] [--same-name] [--same-guid]\n"
               "                                            every row linked to those found, by hop\n"
               "  refs                                      every name that logged in as referee\n"
               "  query SQL                                 run an SQL statement on table Names\n"
               "  clear --yes                               delete every row\n"
               "  copy --from LOCATION --to LOCATION        merge every row of one database into another\n"
               "\n"
               "search, refs and query take --format table|csv|json (a cluster also dot).\n"
               "Every command takes --help.\n"
               "The data folder holds %1 and %2; it is the program's folder unless\n"
               "--data-dir or CORVANTH_DATA_DIR names another (an installed program uses the per-user "
               "folder).\n"
               "--database or CORVANTH_DATABASE names another database: sqlite:PATH, or a PostgreSQL\n"
               "server as postgresql://USER@HOST:PORT/DBNAME or any libpq connection text.\n")
        .arg(QLatin1String(identity::DatabaseFileName), QLatin1String(identity::JournalFileName));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromUtf8(identity::Organization));
    QCoreApplication::setApplicationName(QString::fromUtf8(identity::Application));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(identity::Version));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

    QString dataDir;
    QString databaseLocation = qEnvironmentVariable("CORVANTH_DATABASE");
    while (!args.isEmpty() && args.front().startsWith("--")) {
        const QString option = args.takeFirst();
        if (option == "--help" || option == "-h") {
            out << Usage();
            return 0;
        }
        if (option == "--version") {
            out << "corvanth-cli " << identity::Version << "\n";
            return 0;
        }
        if (option == "--data-dir" && !args.isEmpty()) {
            dataDir = args.takeFirst();
        } else if (const QString prefix = QStringLiteral("--data-dir="); option.startsWith(prefix)) {
            dataDir = option.mid(prefix.size());
        } else if (option == "--database" && !args.isEmpty()) {
            databaseLocation = args.takeFirst();
        } else if (const QString prefix = QStringLiteral("--database="); option.startsWith(prefix)) {
            databaseLocation = option.mid(prefix.size());
        } else {
            err << "corvanth-cli: unknown option " << option << "\n" << Usage();
            return static_cast<int>(ExitCode::Usage);
        }
    }
    if (args.isEmpty()) {
        err << Usage();
        return static_cast<int>(ExitCode::Usage);
    }

    DataFolderSources sources;
    sources.commandLineOverride = dataDir.toStdString();
    sources.environmentOverride = qEnvironmentVariable("CORVANTH_DATA_DIR").toStdString();
    sources.executableFolder = QCoreApplication::applicationDirPath().toStdString();
    sources.perUserFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
    const std::string folder = ResolveDataFolder(sources);
    if (!EnsureFolder(folder)) {
        err << "corvanth-cli: cannot use the data folder " << QString::fromStdString(folder) << "\n";
        return static_cast<int>(ExitCode::DataError);
    }

    const QString command = args.front();
    args.front() = "corvanth-cli " + command;
    CliContext context(QString::fromStdString(folder), out, err, databaseLocation);
    int code = static_cast<int>(ExitCode::Usage);
    if (command == "process") {
        code = RunProcessCommand(context, args);
    } else if (command == "follow") {
        code = RunFollowCommand(context, args);
    } else if (command == "position") {
        code = RunPositionCommand(context, args);
    } else if (command == "clear") {
        code = RunClearCommand(context, args);
    } else if (command == "search") {
        code = RunSearchCommand(context, args);
    } else if (command == "refs") {
        code = RunRefsCommand(context, args);
    } else if (command == "query") {
        code = RunQueryCommand(context, args);
    } else if (command == "copy") {
        code = RunCopyCommand(context, args);
    } else {
        err << "corvanth-cli: unknown command " << command << "\n" << Usage();
    }
    out.flush();
    err.flush();
    return code;
}
