#include "cli/Commands.h"

#include <cstdio>
#include <exception>
#include <functional>
#include <iostream>
#include <sstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "TonedotVersion.h"

#include "cli/AtomicFile.h"
#include "session/ClosestNames.h"
#include "cli/CommandLine.h"
#include "cli/Demo.h"
#include "session/EffectSession.h"
#include "cli/ExitCodes.h"
#include "cli/Frei0rTable.h"
#include "session/Presets.h"
#include "cli/Progress.h"
#include "cli/RenderCommand.h"
#include "cli/SeparateCommand.h"
#include "params/StoredDefaults.h"
#include "resources/OptionDialogIds.h"
#include "cli/Names.h"

#include <unistd.h>

using namespace Params;

namespace tonedot::cli {

OptionDef EffectOption() {
    return {"effect", 0, "LIB",
            "The effect library to load (default: $TONEDOT_EFFECT, the one\nbeside this program, the one installed with it, or the one it was\nbuilt with).",
            false};
}

OptionDef FactoryDefaultsOption() {
    return {"factory-defaults", 0, "", "Start from the built-in defaults, ignoring the stored ones.", false};
}

namespace {

const OptionDef kEffectOption = EffectOption();
const OptionDef kFactoryOption = FactoryDefaultsOption();
const OptionDef kSetOption{"set", 's', "NAME=VALUE", "Sets a parameter by its display name, as for render.", true};
const OptionDef kPresetOption{"preset", 'p', "FILE", "Reads parameter values from a preset first.", true};

struct Command {
    CommandDef command;
    std::function<int(const ParsedArgs&)> run;
};

// ---- params ---------------------------------------------------------------------------------

std::string RangeText(const ParamInfo& p) {
    const PF_ParamDefUnion& u = p.def.u;
    switch (p.kind) {
        case ParamKind::FloatSlider:
            return FormatNumber(u.fs_d.valid_min) + " to " + FormatNumber(u.fs_d.valid_max) + (p.Percent() ? " %" : "");
        case ParamKind::Slider: return std::to_string(u.sd.valid_min) + " to " + std::to_string(u.sd.valid_max);
        case ParamKind::Angle: return "degrees";
        case ParamKind::Checkbox: return "on/off";
        case ParamKind::Color: return "#RRGGBB";
        case ParamKind::Point: return "x,y px or %";
        case ParamKind::Popup: return "1 to " + std::to_string(p.choices.size());
        case ParamKind::Layer: return "file/self/none";
        default: return "";
    }
}

// Parameters as JSON: one object per registered parameter, host order.
std::string ParamsJson(const RegisteredParams& params) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const ParamInfo& p : params.All()) {
        if (p.index == 0) continue;
        nlohmann::ordered_json item;
        item["index"] = p.index;
        item["id"] = p.id;
        item["name"] = p.name;
        item["kind"] = KindName(p.kind);
        item["group"] = p.group;
        const PF_ParamDefUnion& u = p.def.u;
        if (p.kind == ParamKind::FloatSlider) {
            item["min"] = u.fs_d.valid_min;
            item["max"] = u.fs_d.valid_max;
            item["percent"] = p.Percent();
        } else if (p.kind == ParamKind::Slider) {
            item["min"] = u.sd.valid_min;
            item["max"] = u.sd.valid_max;
        }
        if (p.Settable() || p.kind == ParamKind::Layer) item["default"] = FormatValue(p, RegisteredValue(p));
        if (p.kind == ParamKind::Popup) {
            nlohmann::ordered_json choices = nlohmann::ordered_json::array();
            for (std::size_t i = 0; i < p.choices.size(); ++i)
                if (p.choices[i] != "(-") choices.push_back({{"value", i + 1}, {"name", p.choices[i]}});
            item["choices"] = choices;
        }
        list.push_back(item);
    }
    return list.dump(2) + "\n";
}

int RunParams(const ParsedArgs& args) {
    if (args.Has("frei0r")) {
        std::fputs(Frei0rTable(FindFrei0rFilter("")).c_str(), stdout);
        return kExitOk;
    }
    EffectSession session(FindEffectLibrary(args.Value("effect").value_or("")), args.Has("factory-defaults"));
    if (args.Has("json")) {
        std::fputs(ParamsJson(session.Params()).c_str(), stdout);
        return kExitOk;
    }
    std::printf("%-5s %-5s %-24s %-14s %-16s %-14s %s\n", "index", "id", "name", "kind", "valid range",
                "default", "choices");
    for (const ParamInfo& p : session.Params().All()) {
        if (p.index == 0) continue;
        std::string name = p.kind == ParamKind::GroupEnd ? "(end of " + p.group + ")" : p.name;
        std::string dflt = p.Settable() || p.kind == ParamKind::Layer ? FormatValue(p, RegisteredValue(p)) : "";
        std::string choices;
        for (std::size_t i = 0; i < p.choices.size(); ++i) {
            if (p.choices[i] == "(-") continue;
            if (!choices.empty()) choices += ", ";
            choices += std::to_string(i + 1) + " " + p.choices[i];
        }
        std::printf("%-5d %-5d %-24s %-14s %-16s %-14s %s\n", p.index, static_cast<int>(p.id), name.c_str(),
                    KindName(p.kind), RangeText(p).c_str(), dflt.c_str(), choices.c_str());
    }
    return kExitOk;
}

// ---- about ------------------------------------------------------------------------------------

int RunAbout(const ParsedArgs& args) {
    EffectSession session(FindEffectLibrary(args.Value("effect").value_or("")), false);
    std::string text = session.About();
    if (text.empty() || text.back() != '\n') text += '\n';
    std::fputs(text.c_str(), stdout);
    return kExitOk;
}

// Names the values a settings file cannot hold, which are left out of it.
void WarnUnstorable(const RegisteredParams& params, const ParamSettings& settings, const std::string& where) {
    const std::vector<std::string> names = UnstorableSettings(params, settings);
    if (names.empty()) return;
    std::string list;
    for (const std::string& n : names) list += (list.empty() ? "\"" : ", \"") + n + "\"";
    Warn(list + (names.size() == 1 ? " is" : " are") + " not stored in " + where +
         ": the settings file holds no points; give " + (names.size() == 1 ? "it" : "them") +
         " with --set when rendering.");
}

// ---- preset save -----------------------------------------------------------------------------

int RunPresetSave(const ParsedArgs& args) {
    const std::string path = args.Arguments()[0];
    EffectSession session(FindEffectLibrary(args.Value("effect").value_or("")), args.Has("factory-defaults"));
    const ParamSettings settings = SettingsFromArgs(session.Params(), args);
    WarnUnstorable(session.Params(), settings, "the preset");
    WriteTextFileAtomically(path, PresetText(session.Params(), settings));
    if (!args.Has("quiet")) std::fprintf(stderr, "tonedot: wrote preset %s\n", path.c_str());
    return kExitOk;
}

// ---- defaults save | reset --------------------------------------------------------------------

int RunDefaults(const ParsedArgs& args) {
    const std::string action = args.Arguments()[0];
    if (action != "save" && action != "reset")
        throw UsageError("unknown action \"" + action + "\" for defaults; expected save or reset." +
                         DidYouMean(action, {"save", "reset"}));
    if (action == "reset" && (args.Has("set") || args.Has("preset") || args.Has("factory-defaults")))
        throw UsageError("defaults reset takes no values; it clears the stored defaults.");
    EffectSession session(FindEffectLibrary(args.Value("effect").value_or("")), args.Has("factory-defaults"));
    Instance& instance = session.NewInstance();
    ParamSettings settings;
    if (action == "save") {
        settings = SettingsFromArgs(session.Params(), args);
        WarnUnstorable(session.Params(), settings, "the stored defaults");
        FrameContext context;
        context.layerWidth = 1920;
        context.layerHeight = 1080;
        session.ApplySettings(instance, settings, context);
    }
    char path[kSettingsPathSize];
    GetSettingsPath(path);
    if (!*path)
        throw IOError("the stored defaults have no place: $XDG_CONFIG_HOME or $HOME must name an absolute folder.");
    // The options dialog's own buttons: "Set current parameter values to default" and
    // "Restore initial default parameter values".
    const int end = session.RunOptionsDialog(instance, action == "save" ? IDC_OPTIONS_SAVE : IDC_OPTIONS_RESTORE);
    // The effect writes the file itself; what counts is what the file holds now.
    const std::string failed = std::string("cannot ") + (action == "save" ? "store the defaults in \"" : "clear the stored defaults \"") + path + "\": ";
    if (action == "save") {
        ParamSettings stored;
        try {
            ReadPreset(path, session.Params(), stored);
        } catch (const session::Error& e) {
            throw IOError(failed + "the file could not be written (" + std::string(e.what()) +
                          "); is its folder writable, and not a file?");
        }
        if (PresetText(session.Params(), stored) != PresetText(session.Params(), settings))
            throw IOError(failed + "the file does not hold the values saved (the options dialog ended with " +
                          std::to_string(end) + ").");
    } else if (access(path, F_OK) == 0) {
        throw IOError(failed + "the file is still there (the options dialog ended with " + std::to_string(end) + ").");
    }
    if (!args.Has("quiet")) {
        if (action == "save")
            std::fprintf(stderr, "tonedot: stored the defaults in %s; they apply from the next start.\n", path);
        else
            std::fprintf(stderr, "tonedot: cleared the stored defaults (%s).\n", path);
    }
    return kExitOk;
}

// ---- the command table -------------------------------------------------------------------------

std::vector<Command> Commands() {
    std::vector<Command> commands;
    commands.push_back({RenderCommandDef(), &RunRenderCommand});
    commands.push_back({SeparateCommandDef(), &RunSeparateCommand});

    CommandDef params;
    params.name = "params";
    params.usage = "[options]";
    params.brief = "Lists the effect's parameters with ranges, defaults and choices.";
    params.summary = "Lists every parameter the effect registers: host index, id, display name, kind,\n"
                     "valid range, default (the stored defaults included) and choices.";
    params.options = {{"json", 0, "", "Lists them as JSON: an array of objects with index, id, name, kind,\ngroup, min and max (sliders), percent, default (as --set takes it)\nand choices (value and name).", false},
                      {"frei0r", 0, "", "Lists them as the frei0r filter tonedot.so shows them: index, name,\ntype and what the value means.", false},
                      kFactoryOption, kEffectOption};
    commands.push_back({params, &RunParams});

    CommandDef about;
    about.name = "about";
    about.usage = "[options]";
    about.brief = "Prints the effect's About text.";
    about.summary = "Prints the effect's About text.";
    about.options = {kEffectOption};
    commands.push_back({about, &RunAbout});

    CommandDef preset;
    preset.name = "preset save";
    preset.usage = "FILE [--set NAME=VALUE ...] [options]";
    preset.brief = "Writes parameter values to a preset file.";
    preset.summary = "Writes a preset: every parameter that can be stored, in the stored-defaults format\n"
                     "(section [Version=1.5], one key per display name).  Values start from the\n"
                     "registered defaults; --preset and --set change them.  Use it with render --preset.";
    preset.minArguments = preset.maxArguments = 1;
    preset.options = {kSetOption, kPresetOption, kFactoryOption,
                      {"quiet", 0, "", "No message on success.", false}, kEffectOption};
    commands.push_back({preset, &RunPresetSave});

    CommandDef defaults;
    defaults.name = "defaults";
    defaults.usage = "save|reset [--set NAME=VALUE ...] [options]";
    defaults.brief = "Stores or clears the user's defaults through the effect's options dialog.";
    defaults.summary =
        "Stores or clears the user's defaults through the effect's own options dialog, as its\n"
        "buttons do: \"save\" presses \"Set current parameter values to default\" with the\n"
        "values given (the registered ones otherwise), \"reset\" presses \"Restore initial default\n"
        "parameter values\".  The effect reads them at its next start: every later tonedot run\n"
        "(unless --factory-defaults).  The file lives in $XDG_CONFIG_HOME (or ~/.config)\n"
        "/TORVA/InkPanel/T_Tonedot.ini.";
    defaults.minArguments = defaults.maxArguments = 1;
    defaults.options = {kSetOption, kPresetOption, kFactoryOption,
                        {"quiet", 0, "", "No message on success.", false}, kEffectOption};
    commands.push_back({defaults, &RunDefaults});

    commands.push_back({DemoCommandDef(), &RunDemoCommand});
    return commands;
}

std::string ProgramHelp(const std::vector<Command>& commands) {
    std::ostringstream out;
    out << "Usage: tonedot COMMAND [options]\n"
           "       tonedot --version | --help\n\n"
           "Renders the T_Tonedot halftone-dot effect outside the host.\n\nCommands:\n";
    for (const Command& c : commands) {
        const std::string& first = c.command.brief;
        out << "  " << c.command.name << std::string(c.command.name.size() < 14 ? 14 - c.command.name.size() : 1, ' ')
            << first << "\n";
    }
    out << "\nRun \"tonedot COMMAND --help\" for a command's options.\n"
           "Exit codes: 0 done, 2 usage, 3 file input/output, 4 effect error, 5 out of memory,\n"
           "128 + the signal when interrupted (130 Ctrl-C).\n";
    return out.str();
}

CommandDef HelpCommandDef() {
    CommandDef help;
    help.name = "help";
    help.usage = "[COMMAND]";
    help.brief = "Shows the help of a command.";
    help.summary = "Shows the help of a command (\"tonedot help render\"), or the list of commands.";
    help.maxArguments = 2;
    return help;
}

int Dispatch(const std::vector<std::string>& args) {
    std::vector<Command> commands = Commands();
    commands.push_back({HelpCommandDef(), nullptr});
    std::vector<CommandDef> defs;
    for (const Command& c : commands) defs.push_back(c.command);
    const ProgramCall call = ParseProgramLine(defs, std::vector<std::string>(args.begin() + (args.empty() ? 0 : 1), args.end()));
    if (call.version) {
        std::printf("tonedot %s\n", TONEDOT_VERSION_TEXT);
        return kExitOk;
    }
    if (!call.command) {
        // No command: the list, on standard error as a usage error unless asked for.
        std::fputs(ProgramHelp(commands).c_str(), call.programHelp ? stdout : stderr);
        return call.programHelp ? kExitOk : kExitUsage;
    }
    if (call.args.HelpWanted()) {
        std::fputs(HelpText(*call.command).c_str(), stdout);
        return kExitOk;
    }
    if (call.command->name == "help") {
        const std::vector<std::string>& topic = call.args.Arguments();
        if (topic.empty()) {
            std::fputs(ProgramHelp(commands).c_str(), stdout);
            return kExitOk;
        }
        std::string name = topic[0];
        for (std::size_t i = 1; i < topic.size(); ++i) name += " " + topic[i];
        std::vector<std::string> names;
        for (const Command& c : commands) {
            names.push_back(c.command.name);
            // A group's first word ("preset") shows its command's help.
            if (c.command.name == name || c.command.name.rfind(name + " ", 0) == 0) {
                std::fputs(HelpText(c.command).c_str(), stdout);
                return kExitOk;
            }
        }
        throw UsageError("unknown command \"" + name + "\"." + DidYouMean(name, names) +
                         " Run \"tonedot --help\" for the list.");
    }
    for (const Command& c : commands)
        if (c.command.name == call.command->name) return c.run(call.args);
    throw CliError(kExitInternal, "no code for the command \"" + call.command->name + "\".");
}

}  // namespace

int Run(const std::vector<std::string>& args) {
    try {
        return Dispatch(args);
    } catch (const CliError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "tonedot: %s\n", e.what());
        return e.Code();
    } catch (const session::Error& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "tonedot: %s\n", e.what());
        return ToCliError(e).Code();
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fprintf(stderr, "tonedot: out of memory: the machine or its limits (ulimit -v) leave too little "
                             "for this run; give fewer --jobs or --threads, or a smaller image.\n");
        return kExitMemory;
    } catch (const std::system_error& e) {
        std::fflush(stdout);
        if (e.code() != std::errc::resource_unavailable_try_again) {
            std::fprintf(stderr, "tonedot: internal error: %s\n", e.what());
            return kExitInternal;
        }
        std::fprintf(stderr, "tonedot: cannot start another thread (%s): the system's limits (ulimit -u, memory) "
                             "allow no more; give fewer --jobs or --threads.\n", e.what());
        return kExitMemory;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "tonedot: internal error: %s\n", e.what());
        return kExitInternal;
    }
}

int RunMain(int argc, char** argv) {
    InstallInterruptHandler();
    // Renders on threads without a bar of their own stop as well when interrupted.
    static ProgressMonitor interrupts(nullptr, 0);
    session::SetProcessMonitor(&interrupts);
    session::SetWarningSink(&Warn);
    std::vector<std::string> args(argv, argv + argc);
    const int code = Run(args);
    RemovePendingTempFiles();
    return code;
}

}  // namespace tonedot::cli
