#pragma once

#include <QString>

namespace corvanth {

class NamesDatabase;
class Prompter;
class SettingsStore;

// The setting that names the window's database, as --database takes it; empty for the local file.
inline constexpr const char* kDatabaseSetting = "Database";

// The database file in the data folder.
QString LocalDatabaseFile(const QString& dataFolder);

// Opens the database the settings name. A PostgreSQL server that cannot be opened is told through the
// prompter, and the local file is used instead (the message says so). Throws DatabaseError when the
// local file itself cannot be opened.
void OpenWindowDatabase(NamesDatabase& db, const SettingsStore& settings, Prompter& prompter,
                        const QString& localFile);

} // namespace corvanth
