#include "CliContext.h"
#include "DatabaseError.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace corvanth {
namespace {

// Parses a command's arguments; returns an exit code when the command should end right away.
std::optional<int> ParseOrFinish(QCommandLineParser& parser, CliContext& context,
                                 const QStringList& arguments, const char* command, qsizetype positionals) {
    parser.addHelpOption();
    if (!parser.parse(arguments)) {
        context.err() << "corvanth-cli " << command << ": " << parser.errorText() << "\n";
        return static_cast<int>(ExitCode::Usage);
    }
    if (parser.isSet("help")) {
        context.out() << parser.helpText();
        return static_cast<int>(ExitCode::Ok);
    }
    if (parser.positionalArguments().size() != positionals) {
        context.err() << "corvanth-cli " << command << ": wrong number of arguments (see --help)\n";
        return static_cast<int>(ExitCode::Usage);
    }
    return std::nullopt;
}

} // namespace

int RunPositionCommand(CliContext& context, const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Prints the position the journal holds for LOG (1 when none): the byte at which\n"
        "the next run over LOG starts.");
    parser.addPositionalArgument("LOG", "The game server's log file.");
    if (auto done = ParseOrFinish(parser, context, arguments, "position", 1)) return *done;
    const std::string log = QFileInfo(parser.positionalArguments().front()).absoluteFilePath().toStdString();
    std::vector<std::string> problems;
    const double position = context.journal().LastPosition(log, &problems);
    for (const auto& p : problems)
        context.err() << "corvanth-cli: warning: " << QString::fromStdString(p) << "\n";
    context.out() << QString::number(position, 'f', 0) << "\n";
    return static_cast<int>(ExitCode::Ok);
}

int RunClearCommand(CliContext& context, const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Deletes every row of the names database.");
    const QCommandLineOption yes("yes", "Confirm that every row is to be deleted.");
    parser.addOption(yes);
    if (auto done = ParseOrFinish(parser, context, arguments, "clear", 0)) return *done;
    if (!parser.isSet(yes)) {
        context.err()
            << "corvanth-cli clear: this deletes ALL records in the database; pass --yes to confirm\n";
        return static_cast<int>(ExitCode::Usage);
    }
    try {
        const std::int64_t deleted = context.database().DeleteAllRecords();
        context.out() << "Deleted " << deleted << " rows\n";
    } catch (const DatabaseError& e) {
        context.err() << "corvanth-cli clear: " << e.what() << "\n";
        return static_cast<int>(ExitCode::DataError);
    }
    return static_cast<int>(ExitCode::Ok);
}

} // namespace corvanth
