#pragma once

#include <QString>

namespace corvanth {

class DocumentOpener;
class LogFileChooser;
class Prompter;
class RunClock;
class SettingsStore;
struct ProcessingState;

// What the main window is given by its owner: all of it outlives the window.
struct frmMainServices {
    ProcessingState& state;  // the program's one processing state
    Prompter& prompter;      // every message box
    LogFileChooser& chooser; // the open-file dialog
    SettingsStore& settings; // the user's settings
    DocumentOpener& opener;  // opens the database and the journal with their programs
    const RunClock& clock;   // start time and progress estimate
    QString dataFolder;      // where IPLogging.mdb and Positions.txt live
};

} // namespace corvanth
