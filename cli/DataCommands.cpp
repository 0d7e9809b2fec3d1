#include "CliContext.h"
#include "DatabaseError.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace corvanth {
namespace {

// Parses the arguments of a command that takes `positionals` arguments.
std::optional<int> ParseOrFinish(QCommandLineParser& parser, CliContext& context,
                                 const QStringList& arguments, const char* command, qsizetype positionals) {
    parser.addHelpOption();
    if (auto done = ParseCommandArguments(parser, context, arguments, command)) return done;
    if (parser.positionalArguments().size() != positionals) {
        context.err() << "corvanth-cli " << command << ": wrong number of arguments (see --help)\n";
        return static_cast<int>(ExitCode::Usage);
    }
    return std::nullopt;
}

} // namespace

std::optional<int> ParseCommandArguments(QCommandLineParser& parser, CliContext& context,
                                         const QStringList& arguments, const char* command) {
    if (!parser.parse(arguments)) {
        context.err() << "corvanth-cli " << command << ": " << parser.errorText() << "\n";
        return static_cast<int>(ExitCode::Usage);
    }
    if (parser.isSet(QStringLiteral("help"))) {
        context.out() << parser.helpText();
        return static_cast<int>(ExitCode::Ok);
    }
    return std::nullopt;
}

int RunPositionCommand(CliContext& context, const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Prints the position the journal holds for LOG (1 when none): the byte at which\n"
        "the next run over LOG starts.");
    parser.addPositionalArgument("LOG", "The game server's log file.");
    if (auto done = ParseOrFinish(parser, context, arguments, "position", 1)) return *done;
    const std::string log = QFileInfo(parser.positionalArguments().front()).absoluteFilePath().toStdString();
    const auto lookup = ReadJournal(context, log, "position");
    if (!lookup) return static_cast<int>(ExitCode::DataError);
    context.out() << lookup->position << "\n";
    return static_cast<int>(ExitCode::Ok);
}

Outcome<JournalLookup> ReadJournal(CliContext& context, const std::string& log, const char* command) {
    auto lookup = context.journal().LastPosition(log);
    if (!lookup) {
        context.err() << "corvanth-cli " << command << ": " << QString::fromStdString(lookup.reason())
                      << "\n";
        return lookup;
    }
    for (const auto& skipped : lookup->skippedRecords)
        context.err() << "corvanth-cli: warning: " << QString::fromStdString(skipped) << "\n";
    return lookup;
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
