#include "CliContext.h"
#include "DatabaseError.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace corvanth {

int RunPositionCommand(CliContext& context, const QCommandLineParser& parser) {
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

int RunClearCommand(CliContext& context, const QCommandLineParser& parser) {
    if (!parser.isSet(QStringLiteral("yes"))) {
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
