#include "WindowCommandLine.h"

#include "ProgramIdentity.h"

#include <string>
#include <string_view>

namespace corvanth {
namespace {

std::string HelpText() {
    return std::string("Usage: corvanth [--help] [--version] [Qt options such as -style NAME]\n"
                       "\n"
                       "The desktop program of Corvanth: reads a Quake 3 game server's log, records every\n"
                       "player name seen from every IP address in a names database, and searches it.\n"
                       "\n"
                       "  -h, --help     show this text and exit\n"
                       "      --version  show the version and exit\n"
                       "\n"
                       "The data folder holds ") +
           identity::DatabaseFileName + " and " + identity::JournalFileName +
           "; CORVANTH_DATA_DIR names it (else the\n"
           "program's folder, or for an installed program the per-user data folder).\n"
           "The same work without a window: corvanth-cli --help.\n";
}

} // namespace

std::optional<int> AnswerInformationOptions(int argc, const char* const* argv, std::FILE* out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") return std::nullopt;
        std::string text;
        if (argument == "--help" || argument == "-h")
            text = HelpText();
        else if (argument == "--version")
            text = std::string("corvanth ") + identity::Version + "\n";
        else
            continue;
        const bool written = std::fputs(text.c_str(), out) >= 0 && std::fflush(out) == 0;
        return written ? 0 : 1;
    }
    return std::nullopt;
}

} // namespace corvanth
