// Options and arguments of the tonedot program and its commands: the declaration of what a
// command takes, the parse of the command line against it (CLI11), and the --help texts.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tonedot::cli {

struct OptionDef {
    std::string name;        // long name without the dashes: "output" for --output
    char shortName = 0;      // 'o' for -o; 0 when there is none
    std::string valueName;   // "FILE"; empty for an on/off flag
    std::string help;        // one or more lines
    bool repeatable = false; // may be given more than once (each value is kept)
};

// Options every command that loads the effect offers alike.
OptionDef EffectOption();
OptionDef FactoryDefaultsOption();

struct CommandDef {
    std::string name;                 // "render", "preset save"
    std::string usage;                // "INPUT -o OUTPUT [options]"
    std::string brief;                // one line for the program's command list
    std::string summary;              // one or more lines for --help
    std::string details;              // free text after the option list, may be empty
    std::vector<OptionDef> options;  // -h/--help is always added
    std::size_t minArguments = 0;     // positional arguments
    std::size_t maxArguments = 0;
};

class ParsedArgs {
public:
    const std::vector<std::string>& Arguments() const { return arguments_; }
    bool Has(const std::string& name) const;
    // Every value given for the option, in command-line order.
    std::vector<std::string> All(const std::string& name) const;
    // The value of an option that may appear once, if given.
    std::optional<std::string> Value(const std::string& name) const;
    bool HelpWanted() const { return help_; }
    // Every option given, as (long name, value) in command-line order; flags have "".
    const std::vector<std::pair<std::string, std::string>>& Options() const { return options_; }

private:
    friend class CommandParser;
    std::vector<std::string> arguments_;
    std::vector<std::pair<std::string, std::string>> options_;
    bool help_ = false;
};

// Parses `args` (the words after the command's name).  Accepts "--name value",
// "--name=value", "-n value", "-nvalue" and "--" to end the options; "-" alone is an
// argument.  Throws a usage CliError naming the command for an unknown option (with the
// nearest names), a missing value, a value given to a flag, an option given twice that may
// appear once, or a wrong number of arguments.  With -h or --help before "--", nothing else
// is checked.
ParsedArgs ParseCommandLine(const CommandDef& command, const std::vector<std::string>& args);

// What a whole command line asks for: "tonedot [--version | --help] COMMAND [ARGS]", where
// a command named by two words ("preset save") is given as two words.
struct ProgramCall {
    bool version = false;              // --version
    bool programHelp = false;          // --help (or -h) before any command
    const CommandDef* command = nullptr;  // the command named, if any
    ParsedArgs args;                   // its arguments (args.HelpWanted() for its --help)
};

// Parses the words after the program's name against `commands` in one pass.  Throws a
// usage CliError as ParseCommandLine does, and for an unknown command (with the nearest
// names).
ProgramCall ParseProgramLine(const std::vector<CommandDef>& commands, const std::vector<std::string>& args);

// The command's --help text.
std::string HelpText(const CommandDef& command);

}  // namespace tonedot::cli
