#include "CliContext.h"
#include "CommandTable.h"
#include "DataFolder.h"
#include "ProgramIdentity.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

using namespace corvanth;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromUtf8(identity::Organization));
    QCoreApplication::setApplicationName(QString::fromUtf8(identity::Application));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(identity::Version));

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString program =
        QString::fromUtf8(kProgramName.data(), static_cast<qsizetype>(kProgramName.size()));

    // The options before the command; everything from the command on is the command's.
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (const auto error = ParseOptions(parser, GlobalOptions(), QCoreApplication::arguments())) {
        err << program << ": " << *error << "\n\n" << ProgramUsage();
        return static_cast<int>(ExitCode::Usage);
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out << ProgramHelp();
        return static_cast<int>(ExitCode::Ok);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << program << " " << identity::Version << "\n";
        return static_cast<int>(ExitCode::Ok);
    }
    QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        err << ProgramUsage();
        return static_cast<int>(ExitCode::Usage);
    }
    const CommandEntry* command = FindCommand(args.front());
    if (!command) {
        err << program << ": unknown command " << args.front() << "\n\n" << ProgramUsage();
        return static_cast<int>(ExitCode::Usage);
    }

    DataFolderSources sources;
    sources.commandLineOverride = parser.value(QStringLiteral("data-dir")).toStdString();
    sources.environmentOverride = qEnvironmentVariable("CORVANTH_DATA_DIR").toStdString();
    sources.executableFolder = QCoreApplication::applicationDirPath().toStdString();
    sources.perUserFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
    const std::string folder = ResolveDataFolder(sources);
    if (!EnsureFolder(folder)) {
        err << program << ": cannot use the data folder " << QString::fromStdString(folder) << "\n";
        return static_cast<int>(ExitCode::DataError);
    }

    const bool databaseGiven = parser.isSet(QStringLiteral("database"));
    const QString databaseLocation =
        databaseGiven ? parser.value(QStringLiteral("database")) : qEnvironmentVariable("CORVANTH_DATABASE");
    CliContext context(QString::fromStdString(folder), out, err, databaseLocation,
                       databaseGiven ? LocationSource::CommandLine : LocationSource::Environment);
    const int code = RunCommand(context, *command, args);
    out.flush();
    err.flush();
    return code;
}
