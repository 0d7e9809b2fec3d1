#pragma once

#include "ExitStatus.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <string_view>

namespace corvanth {

class CliContext;

// The program's name as every message and help text gives it (never the path it was started by).
inline constexpr std::string_view kProgramName = "corvanth-cli";

// An option of a command, given as --name or --name VALUE (--name=VALUE also works).
struct CommandOption {
    std::string_view name;      // without the dashes
    std::string_view valueName; // empty for a switch
    std::string_view description;
    std::string_view defaultValue = {};
};

// One line of a command's usage: its arguments and options after the command's name, and what it does.
struct UsageLine {
    std::string_view arguments;
    std::string_view summary;
};

// A positional argument, as the help lists it.
struct CommandArgument {
    std::string_view name;
    std::string_view description;
};

// A command of corvanth-cli. The table of them (Commands()) is what the program dispatches on, what
// the usage lines and every help text are written from, and what the arguments are parsed by.
struct CommandEntry {
    std::string_view name;
    std::span<const UsageLine> usage;
    std::string_view description;
    std::span<const CommandOption> options;
    std::span<const CommandArgument> arguments;
    std::string_view argumentSyntax; // the positional arguments in a usage error: "LOG [LOG...]"
    int minArguments = 0;
    int maxArguments = 0; // -1: no limit
    std::span<const ExitCode> exits;
    // Runs the command on its parsed arguments (options, then the positional ones) and returns the
    // exit status.
    int (*run)(CliContext& context, const QCommandLineParser& arguments) = nullptr;
};

std::span<const CommandEntry> Commands();
// The command named `name`, or none.
const CommandEntry* FindCommand(const QString& name);

// The options taken before the command.
std::span<const CommandOption> GlobalOptions();

// The top-level help: the usage lines of every command, the global options, the data folder and the
// exit statuses.
QString ProgramHelp();
// The usage lines alone, for a usage error at the top level.
QString ProgramUsage();
// A command's --help.
QString CommandHelp(const CommandEntry& command);

// Fills `parser` with `options` and -h/--help and parses `arguments` (argument 0 is the command's name).
// Returns an error text the user can read when parsing fails.
std::optional<QString> ParseOptions(QCommandLineParser& parser, std::span<const CommandOption> options,
                                    const QStringList& arguments);

// Parses a command's arguments by its table entry and runs it: --help prints the command's help,
// a parse error or a wrong number of arguments is a usage error on stderr.
int RunCommand(CliContext& context, const CommandEntry& command, const QStringList& arguments);

} // namespace corvanth
