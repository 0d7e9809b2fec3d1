#include "CliContext.h"
#include "DataFolder.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

using namespace corvanth;

namespace {

const char* const kUsage =
    "Usage: corvanth-cli [--data-dir DIR] COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  process LOG [--start POS]                 read a game log into the names database\n"
    "  position LOG                              the journaled position for LOG\n"
    "  search name PATTERN [--aliases] [--broad] names matching PATTERN (* ? # [list])\n"
    "  search ip PATTERN                         rows whose address matches PATTERN\n"
    "  search name|ip PATTERN --cluster [--depth N] [--broad] [--same-name]\n"
    "                                            every row linked to those found, by hop\n"
    "  refs                                      every name that logged in as referee\n"
    "  query SQL                                 run an SQL statement on table Names\n"
    "  clear --yes                               delete every row\n"
    "\n"
    "search, refs and query take --format table|csv|json (a cluster also dot). Every command takes\n"
    "--help.\n"
    "The data folder holds IPLogging.mdb and Positions.txt; it is the program's folder unless\n"
    "--data-dir or CORVANTH_DATA_DIR names another (an installed program uses the per-user folder).\n";

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Pyrrowin");
    QCoreApplication::setApplicationName("Corvanth");
    QCoreApplication::setApplicationVersion("0.7.5");

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

    QString dataDir;
    while (!args.isEmpty() && args.front().startsWith("--")) {
        const QString option = args.takeFirst();
        if (option == "--help" || option == "-h") {
            out << kUsage;
            return 0;
        }
        if (option == "--version") {
            out << "corvanth-cli 0.7.5\n";
            return 0;
        }
        if (option == "--data-dir" && !args.isEmpty()) {
            dataDir = args.takeFirst();
        } else if (option.startsWith("--data-dir=")) {
            dataDir = option.mid(11);
        } else {
            err << "corvanth-cli: unknown option " << option << "\n" << kUsage;
            return static_cast<int>(ExitCode::Usage);
        }
    }
    if (args.isEmpty()) {
        err << kUsage;
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
    CliContext context(QString::fromStdString(folder), out, err);
    int code = static_cast<int>(ExitCode::Usage);
    if (command == "process") {
        code = RunProcessCommand(context, args);
    } else if (command == "position") {
        code = RunPositionCommand(context, args);
    } else if (command == "clear") {
        code = RunClearCommand(context, args);
#ifdef CORVANTH_HAVE_SEARCH_COMMANDS
    } else if (command == "search") {
        code = RunSearchCommand(context, args);
    } else if (command == "refs") {
        code = RunRefsCommand(context, args);
    } else if (command == "query") {
        code = RunQueryCommand(context, args);
#endif
    } else {
        err << "corvanth-cli: unknown command " << command << "\n" << kUsage;
    }
    out.flush();
    err.flush();
    return code;
}
