#pragma once

#include <QString>

class Ui_frmMain;

namespace corvanth {

class SettingsStore;

// What the main window keeps between sessions in the user's settings: the log file, the custom
// statement, the update interval, the search text, the alias check boxes and the search kind.
class WindowSettings {
public:
    // What LastFile() gives before any log file has been chosen.
    static inline const QString kNotSet = QStringLiteral("<Not Set>");

    WindowSettings(SettingsStore& store, Ui_frmMain& ui) : store_(store), ui_(ui) {}

    // Puts the stored values into the controls; a missing or unreadable value keeps the default.
    void Restore();
    // Stores the controls' values.
    void Save();

    QString LastFile() const;
    void SaveLastFile(const QString& path);

    // The user's settings themselves (the database connection is kept there too).
    SettingsStore& Store() const { return store_; }

private:
    SettingsStore& store_;
    Ui_frmMain& ui_;
};

} // namespace corvanth
