#pragma once

#include "DatabaseError.h"
#include "ExitStatus.h"
#include "NamesDatabase.h"
#include "PositionJournal.h"
#include "ProgramIdentity.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <memory>
#include <optional>

namespace corvanth {

// What every command gets: where the data lives, the two output streams, and the database, opened on
// first use.
class CliContext {
public:
    // `databaseLocation`: --database or CORVANTH_DATABASE (`source` says which); empty means the file in
    // the data folder.
    CliContext(QString dataFolder, QTextStream& out, QTextStream& err, QString databaseLocation = {},
               LocationSource source = LocationSource::Environment)
        : dataFolder_(std::move(dataFolder)), databaseLocation_(std::move(databaseLocation)),
          databaseSource_(source), out_(out), err_(err), journal_(dataFolder_.toStdString()) {}

    const QString& dataFolder() const { return dataFolder_; }
    QString databasePath() const {
        return dataFolder_ + QLatin1Char('/') + QLatin1String(identity::DatabaseFileName);
    }
    QTextStream& out() { return out_; }
    QTextStream& err() { return err_; }
    const PositionJournal& journal() const { return journal_; }

    // Throws DatabaseError when the database cannot be opened, or its location may not come from where
    // it came (a password on the command line).
    NamesDatabase& database() {
        if (!database_.IsOpen()) database_.Open(location(databaseLocation_, databaseSource_));
        return database_;
    }
    // A location as the user wrote it; throws DatabaseError when it may not come from `source`.
    DatabaseLocation location(const QString& text, LocationSource source) const {
        DatabaseLocation location = ParseDatabaseLocation(text.toStdString(), databasePath().toStdString());
        if (auto refusal = LocationRefusal(location, source)) throw DatabaseError(*refusal);
        return location;
    }

private:
    QString dataFolder_;
    QString databaseLocation_;
    LocationSource databaseSource_;
    QTextStream& out_;
    QTextStream& err_;
    PositionJournal journal_;
    NamesDatabase database_;
};

// The journal's position for `log`, its skipped records told as warnings on stderr; a journal that
// cannot be read is told there as the command's error.
Outcome<JournalLookup> ReadJournal(CliContext& context, const std::string& log, const char* command);

// The commands of the table (CommandTable.cpp): each gets its arguments parsed by its entry there, the
// positional ones counted, and returns the exit status.
int RunProcessCommand(CliContext& context, const QCommandLineParser& arguments);
// follow: keeps the names database current while the game servers write their logs.
int RunFollowCommand(CliContext& context, const QCommandLineParser& arguments);
int RunPositionCommand(CliContext& context, const QCommandLineParser& arguments);
int RunClearCommand(CliContext& context, const QCommandLineParser& arguments);
// search name|ip (with clusters), refs, query: the result list's rows in --format table|csv|json.
int RunSearchCommand(CliContext& context, const QCommandLineParser& arguments);
int RunRefsCommand(CliContext& context, const QCommandLineParser& arguments);
int RunQueryCommand(CliContext& context, const QCommandLineParser& arguments);
int RunWhoCommand(CliContext& context, const QCommandLineParser& arguments);
// copy --from LOCATION --to LOCATION: every row of one database merged into another.
int RunCopyCommand(CliContext& context, const QCommandLineParser& arguments);

} // namespace corvanth
