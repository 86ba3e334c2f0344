#include "cli/CommandLine.h"

#include <map>
#include <memory>
#include <sstream>

#include <CLI/CLI.hpp>

#include "session/ClosestNames.h"
#include "cli/ExitCodes.h"
#include "cli/Names.h"

namespace tonedot::cli {
namespace {

bool IsHelpWord(const std::string& word) { return word == "-h" || word == "--help"; }

// -h or --help among the words before "--".
bool HelpAmong(const std::vector<std::string>& words) {
    for (const std::string& w : words) {
        if (w == "--") return false;
        if (IsHelpWord(w)) return true;
    }
    return false;
}

std::string SeeHelp(const std::string& command) {
    return " See \"tonedot " + (command.empty() ? std::string() : command + " ") + "--help\".";
}

}  // namespace

// One command's options declared on a CLI11 app, and what the parse gave them.
class CommandParser {
public:
    CommandParser(CLI::App& app, const CommandDef& command) : app_(app), command_(command) {
        app.allow_extras();   // unknown options come back here, for a message with suggestions
        app.set_help_flag();  // -h/--help print our own help text
        help_ = app.add_flag("-h,--help");
        for (const OptionDef& o : command.options) {
            std::string names = "--" + o.name;
            if (o.shortName != 0) names = std::string("-") + o.shortName + "," + names;
            CLI::Option* option = o.valueName.empty() ? app.add_flag(names)->disable_flag_override()
                                                      : app.add_option(names)->type_name(o.valueName);
            option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
            options_.emplace_back(&o, option);
        }
        app.add_option("arguments", arguments_);
    }

    const CommandDef& Command() const { return command_; }
    static ParsedArgs HelpOnly() {
        ParsedArgs parsed;
        parsed.help_ = true;
        return parsed;
    }
    bool Parsed() const { return app_.parsed(); }

    // The usage error for what CLI11 refused while it parsed.
    CliError Refused(const CLI::ParseError& error) const {
        const std::string what = error.what();
        for (const auto& [def, option] : options_) {
            const std::string shown = "--" + def->name;
            // CLI11 names the option first, with or without its dashes.
            const std::size_t at = what.rfind(def->name, 2);
            const std::size_t end = at + def->name.size();
            if (at == std::string::npos || what.find_first_not_of('-') != at ||
                (end < what.size() && what[end] != ':' && what[end] != ' '))
                continue;
            if (what.find("flag override") != std::string::npos) return UsageError(shown + " takes no value.");
            return UsageError(shown + " needs a value (" + shown + " " + def->valueName + ").");
        }
        return UsageError(what + " (" + command_.name + ")." + SeeHelp(command_.name));
    }

    // The parse's result, checked: unknown options, repeats, the number of arguments.
    ParsedArgs Collect() const {
        ParsedArgs parsed;
        if (help_->count() > 0) {
            parsed.help_ = true;
            return parsed;
        }
        for (const std::string& word : app_.remaining()) {
            if (word.size() < 2 || word[0] != '-' || word == "--") continue;
            std::vector<std::string> names{"--help"};
            for (const OptionDef& o : command_.options) names.push_back("--" + o.name);
            const std::string bare = word.substr(0, word.find('='));
            throw UsageError("unknown option \"" + bare + "\" for " + command_.name + "." + DidYouMean(bare, names) +
                             SeeHelp(command_.name));
        }
        std::map<const CLI::Option*, std::size_t> taken;
        for (const CLI::Option* option : app_.parse_order()) {
            for (const auto& [def, bound] : options_) {
                if (bound != option) continue;
                const std::size_t k = taken[option]++;
                if (!def->repeatable && k == 1)
                    throw UsageError("--" + def->name + " may be given only once.");
                const bool hasValue = !def->valueName.empty() && k < option->results().size();
                parsed.options_.emplace_back(def->name, hasValue ? option->results()[k] : std::string());
            }
        }
        parsed.arguments_ = arguments_;
        const std::size_t n = arguments_.size();
        if (n < command_.minArguments || n > command_.maxArguments) {
            const std::string what = n < command_.minArguments
                                         ? "missing argument"
                                         : "unexpected argument \"" + arguments_[command_.maxArguments] + "\"";
            throw UsageError(what + " for " + command_.name + ". Usage: tonedot " + command_.name + " " +
                             command_.usage + " (see \"tonedot " + command_.name + " --help\").");
        }
        return parsed;
    }

private:
    CLI::App& app_;
    const CommandDef& command_;
    CLI::Option* help_ = nullptr;
    std::vector<std::pair<const OptionDef*, CLI::Option*>> options_;
    std::vector<std::string> arguments_;
};

bool ParsedArgs::Has(const std::string& name) const {
    for (const auto& o : options_)
        if (o.first == name) return true;
    return false;
}

std::vector<std::string> ParsedArgs::All(const std::string& name) const {
    std::vector<std::string> values;
    for (const auto& o : options_)
        if (o.first == name) values.push_back(o.second);
    return values;
}

std::optional<std::string> ParsedArgs::Value(const std::string& name) const {
    for (const auto& o : options_)
        if (o.first == name) return o.second;
    return std::nullopt;
}

ParsedArgs ParseCommandLine(const CommandDef& command, const std::vector<std::string>& args) {
    CLI::App app;
    CommandParser parser(app, command);
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        if (!HelpAmong(args)) throw parser.Refused(e);
        return CommandParser::HelpOnly();
    }
    if (HelpAmong(args)) return CommandParser::HelpOnly();
    return parser.Collect();
}

ProgramCall ParseProgramLine(const std::vector<CommandDef>& commands, const std::vector<std::string>& args) {
    CLI::App app;
    app.allow_extras();
    app.set_help_flag();
    app.require_subcommand(0, 1);
    CLI::Option* version = app.add_flag("--version");
    CLI::Option* help = app.add_flag("-h,--help");
    // Commands of two words ("preset save") are subcommands of a group ("preset") whose
    // --help is that of its first command.
    struct Group {
        CLI::App* app;
        CLI::Option* help;
        const CommandDef* first;
    };
    std::map<std::string, Group> groups;
    std::vector<std::unique_ptr<CommandParser>> parsers;
    for (const CommandDef& c : commands) {
        CLI::App* parent = &app;
        std::string leaf = c.name;
        const std::size_t space = c.name.find(' ');
        if (space != std::string::npos) {
            const std::string group = c.name.substr(0, space);
            leaf = c.name.substr(space + 1);
            auto it = groups.find(group);
            if (it == groups.end()) {
                CLI::App* g = app.add_subcommand(group);
                g->allow_extras();
                g->set_help_flag();
                g->require_subcommand(0, 1);
                it = groups.emplace(group, Group{g, g->add_flag("-h,--help"), &c}).first;
            }
            parent = it->second.app;
        }
        parsers.push_back(std::make_unique<CommandParser>(*parent->add_subcommand(leaf), c));
    }

    ProgramCall call;
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    const CommandParser* chosen = nullptr;
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        for (const auto& p : parsers)
            if (p->Parsed()) chosen = p.get();
        if (!chosen) throw UsageError(std::string(e.what()) + "." + SeeHelp(""));
        if (!HelpAmong(args)) throw chosen->Refused(e);
        call.command = &chosen->Command();
        call.args = CommandParser::HelpOnly();
        return call;
    }
    for (const auto& p : parsers)
        if (p->Parsed()) chosen = p.get();
    if (chosen) {
        call.command = &chosen->Command();
        call.args = HelpAmong(args) ? CommandParser::HelpOnly() : chosen->Collect();
        return call;
    }
    for (const auto& [name, group] : groups) {
        if (!group.app->parsed()) continue;
        if (group.help->count() > 0) {
            call.command = group.first;
            call.args = CommandParser::HelpOnly();
            return call;
        }
        const std::vector<std::string> rest = group.app->remaining();
        throw UsageError("expected \"tonedot " + group.first->name + " " +
                         group.first->usage.substr(0, group.first->usage.find(' ')) + "\"" +
                         (rest.empty() ? std::string() : ", not \"" + rest.front() + "\"") + ".");
    }
    const std::vector<std::string> rest = app.remaining();
    if (!rest.empty()) {
        std::vector<std::string> names;
        for (const CommandDef& c : commands) names.push_back(c.name);
        for (const auto& g : groups) names.push_back(g.first);
        if (rest.front().size() > 1 && rest.front()[0] == '-')
            throw UsageError("unknown option \"" + rest.front().substr(0, rest.front().find('=')) + "\"." +
                             DidYouMean(rest.front(), {"--help", "--version"}) + SeeHelp(""));
        throw UsageError("unknown command \"" + rest.front() + "\"." + DidYouMean(rest.front(), names) +
                         " Run \"tonedot --help\" for the list.");
    }
    call.version = version->count() > 0;
    call.programHelp = help->count() > 0;
    return call;
}

std::string HelpText(const CommandDef& command) {
    std::ostringstream out;
    out << "Usage: tonedot " << command.name << " " << command.usage << "\n\n" << command.summary << "\n";
    std::vector<OptionDef> options = command.options;
    options.push_back({"help", 'h', "", "Show this help and exit.", false});
    out << "\nOptions:\n";
    for (const OptionDef& o : options) {
        std::string head = "  ";
        head += o.shortName ? std::string("-") + o.shortName + ", " : "    ";
        head += "--" + o.name;
        if (!o.valueName.empty()) head += " " + o.valueName;
        out << head;
        std::istringstream lines(o.help);
        std::string line;
        bool first = true;
        while (std::getline(lines, line)) {
            if (first && head.size() < 30) {
                out << std::string(30 - head.size(), ' ') << line << "\n";
            } else {
                if (first) out << "\n";
                out << std::string(30, ' ') << line << "\n";
            }
            first = false;
        }
        if (first) out << "\n";
        if (o.repeatable) out << std::string(30, ' ') << "(may be repeated)\n";
    }
    if (!command.details.empty()) out << "\n" << command.details;
    if (!command.details.empty() && command.details.back() != '\n') out << "\n";
    return out.str();
}

}  // namespace tonedot::cli
