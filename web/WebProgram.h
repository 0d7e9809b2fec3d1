#pragma once

#include <QStringList>

#include <istream>
#include <ostream>

namespace corvanth {

// Where the program finds its data folder and pages (main fills it from the environment).
struct WebProgramPlaces {
    std::string executableFolder;
    std::string perUserFolder;
    std::string dataDirEnvironment;  // CORVANTH_DATA_DIR
    std::string databaseEnvironment; // CORVANTH_DATABASE
    std::string staticFolder;        // the installed pages, or the source tree's
};

// corvanth-web [--data-dir DIR] [--database LOCATION] serve [--listen ADDR:PORT] ... | user
// add|passwd|remove|list Returns the exit status (ExitStatus.h).
int RunWebProgram(const QStringList& arguments, const WebProgramPlaces& places, std::istream& in,
                  std::ostream& out, std::ostream& err);

} // namespace corvanth
