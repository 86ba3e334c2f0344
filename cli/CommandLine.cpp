#include "cli/CommandLine.h"

#include <sstream>

#include "cli/ClosestNames.h"
#include "cli/ExitCodes.h"

namespace tonedot::cli {
namespace {

const OptionDef* FindLong(const CommandDef& command, const std::string& name) {
    for (const OptionDef& o : command.options)
        if (o.name == name) return &o;
    return nullptr;
}

const OptionDef* FindShort(const CommandDef& command, char c) {
    for (const OptionDef& o : command.options)
        if (o.shortName != 0 && o.shortName == c) return &o;
    return nullptr;
}

std::string Prefix(const CommandDef& command) { return "tonedot " + command.name + ": "; }

CliError UnknownOption(const CommandDef& command, const std::string& word) {
    std::vector<std::string> names{"--help"};
    for (const OptionDef& o : command.options) names.push_back("--" + o.name);
    std::string bare = word;
    const std::size_t eq = bare.find('=');
    if (eq != std::string::npos) bare.resize(eq);
    return UsageError(Prefix(command) + "unknown option \"" + bare + "\"." +
                      DidYouMean(bare, names) + " See \"tonedot " + command.name + " --help\".");
}

}  // namespace

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
    ParsedArgs parsed;
    for (const std::string& a : args) {
        if (a == "--") break;
        if (a == "-h" || a == "--help") {
            parsed.help_ = true;
            return parsed;
        }
    }

    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            parsed.arguments_.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionDef* option = nullptr;
        std::optional<std::string> attached;
        if (word[1] == '-') {
            const std::size_t eq = word.find('=');
            option = FindLong(command, word.substr(2, eq == std::string::npos ? std::string::npos : eq - 2));
            if (eq != std::string::npos) attached = word.substr(eq + 1);
        } else {
            option = FindShort(command, word[1]);
            if (word.size() > 2) attached = word.substr(2);
        }
        if (!option) throw UnknownOption(command, word);
        const std::string shown = "--" + option->name;
        std::string value;
        if (option->valueName.empty()) {
            if (attached)
                throw UsageError(Prefix(command) + shown + " takes no value.");
        } else if (attached) {
            value = *attached;
        } else {
            if (i + 1 >= args.size())
                throw UsageError(Prefix(command) + shown + " needs a value (" + shown + " " +
                                 option->valueName + ").");
            value = args[++i];
        }
        if (!option->repeatable && parsed.Has(option->name))
            throw UsageError(Prefix(command) + shown + " may be given only once.");
        parsed.options_.emplace_back(option->name, value);
    }

    const std::size_t n = parsed.arguments_.size();
    if (n < command.minArguments || n > command.maxArguments) {
        std::string what = n < command.minArguments ? "missing argument" : "unexpected argument \"" +
                                                                           parsed.arguments_[command.maxArguments] + "\"";
        throw UsageError(Prefix(command) + what + ". Usage: tonedot " + command.name + " " + command.usage +
                         " (see \"tonedot " + command.name + " --help\").");
    }
    return parsed;
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
