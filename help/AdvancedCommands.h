#pragma once

#include <QString>

namespace corvanth {

class DocumentOpener;
class Prompter;

// Menu "Advanced", "Open DB with default program...": opens <dataFolder>/IPLogging.mdb with its
// associated program, without checking that it exists. The program's own connection stays open.
void OpenDatabaseFile(const QString& dataFolder, DocumentOpener& opener);

// Menu "Advanced", "Open Recorded Processing Positions...": opens <dataFolder>/Positions.txt with
// its associated program; when no journal exists yet, says so ("No positions have been logged yet!").
void OpenPositionJournal(const QString& dataFolder, DocumentOpener& opener, Prompter& prompter);

} // namespace corvanth
