// The tonedot command line and preset files as a user (or a script gone wrong) may write
// them: arbitrary words parsed against the render command's options, then every --set value
// checked against the effect's registered parameters; or arbitrary bytes read as a preset.
//
// Checked on every input: the only exception is the usage or input error the program
// reports; every value that is accepted lies inside its parameter's valid range, and its
// text reads back as the same value.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AEUtil/EntryPoint.h"
#include "cli/CommandLine.h"
#include "cli/ExitCodes.h"
#include "cli/FrameSequence.h"
#include "session/Errors.h"
#include "session/ParamValue.h"
#include "session/Presets.h"
#include "session/RegisteredParams.h"
#include "cli/RenderCommand.h"
#include "cli/RenderPlan.h"
#include "fuzz/FuzzScratch.h"
#include "host/Host.h"
#include "host/ParamServices.h"

using namespace tonedot::cli;

namespace {

void Check(bool ok, const char* what, const std::string& detail = "") {
    if (!ok) {
        std::fprintf(stderr, "command line fuzz: %s %s\n", what, detail.c_str());
        std::abort();
    }
}

// The parameters as the effect registers them, from a host kept for the whole run.
const RegisteredParams& Registry() {
    static tonedot::Host* host = [] {
        auto* h = new tonedot::Host(&EntryPointFunc);
        Check(h->Send(PF_Cmd_GLOBAL_SETUP).err == PF_Err_NONE, "global setup failed");
        Check(h->Send(PF_Cmd_PARAMS_SETUP).err == PF_Err_NONE, "params setup failed");
        return h;
    }();
    static const RegisteredParams params(tonedot::Catalog(*host).Definitions());
    return params;
}

const tonedot::fuzz::FuzzScratch& Scratch() {
    static const tonedot::fuzz::FuzzScratch scratch;
    return scratch;
}

// An accepted value must be one the host could hold for the parameter.
void CheckAccepted(const ParamInfo& info, const ParamValue& value) {
    const PF_ParamDef def = ToHostDef(info, value, 1920, 1080);
    const PF_ParamDefUnion& u = def.u;
    switch (info.kind) {
        case ParamKind::FloatSlider:
            Check(std::isfinite(u.fs_d.value) && u.fs_d.value >= u.fs_d.valid_min &&
                      u.fs_d.value <= u.fs_d.valid_max,
                  "float outside its range for", info.name);
            break;
        case ParamKind::Slider:
            Check(u.sd.value >= u.sd.valid_min && u.sd.value <= u.sd.valid_max,
                  "integer outside its range for", info.name);
            break;
        case ParamKind::Popup:
            Check(u.pd.value >= 1 && u.pd.value <= u.pd.num_choices, "choice outside the list for",
                  info.name);
            Check(info.choices[static_cast<size_t>(u.pd.value - 1)].rfind("(-", 0) != 0,
                  "a separator chosen for", info.name);
            break;
        case ParamKind::Checkbox:
            Check(u.bd.value == 0 || u.bd.value == 1, "checkbox neither on nor off for", info.name);
            break;
        default:
            break;
    }
    if (info.kind == ParamKind::Layer) return;
    const std::string text = FormatValue(info, value);
    try {
        const ParamValue again = ParseValue(info, text);
        Check(FormatValue(info, again) == text, "value does not read back for", info.name + "=" + text);
    } catch (const tonedot::session::Error&) {
        Check(false, "its own text is refused for", info.name + "=" + text);
    } catch (const CliError&) {
        Check(false, "its own text is refused for", info.name + "=" + text);
    }
}

void CommandLine(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == '\n') {
            words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    words.push_back(word);
    try {
        const ParsedArgs args = ParseCommandLine(RenderCommandDef(), words);
        (void)HelpText(RenderCommandDef());
        if (args.HelpWanted()) return;
        // Presets name files; the preset reader has its own run below.
        if (args.Has("preset")) return;
        const ParamSettings settings = SettingsFromArgs(Registry(), args);
        for (const auto& [index, value] : settings) CheckAccepted(Registry().All()[index], value);
        if (const auto frames = args.Value("frames")) {
            const std::vector<long> list = ParseFrameList(*frames);
            Check(!list.empty() && list.size() <= 1000000 && *std::min_element(list.begin(), list.end()) >= 0,
                  "frame list empty, too long or negative");
        }
        if (const auto rate = args.Value("fps")) {
            A_u_long scale = 0;
            A_long step = 0;
            ParseFrameRate(*rate, scale, step);
            Check(scale > 0 && step > 0, "frame rate without time units");
        }
    } catch (const CliError&) {
        // A usage error reported to the user.
    } catch (const tonedot::session::Error&) {
        // The session's refusal of a name or value, reported to the user.
    }
}

void Preset(const std::uint8_t* data, std::size_t size) {
    const std::string path = Scratch() / "preset.ini";
    tonedot::fuzz::WriteFileBytes(path, data, size);
    ParamSettings settings;
    try {
        ReadPreset(path, Registry(), settings);
    } catch (const tonedot::session::Error&) {  // a preset refused with its reason
        return;
    } catch (const CliError&) {
        return;
    }
    for (const auto& [index, value] : settings) CheckAccepted(Registry().All()[index], value);
    // What was read writes out as a preset that reads back the same.
    const std::string text = PresetText(Registry(), settings);
    const std::string again = Scratch() / "again.ini";
    tonedot::fuzz::WriteFileBytes(again, reinterpret_cast<const std::uint8_t*>(text.data()),
                                  text.size());
    ParamSettings reread;
    try {
        ReadPreset(again, Registry(), reread);
    } catch (const tonedot::session::Error& e) {
        Check(false, "a written preset is refused:", e.what());
    } catch (const CliError& e) {
        Check(false, "a written preset is refused:", e.what());
    }
    Check(PresetText(Registry(), reread) == text, "a written preset reads back differently");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    if (data[0] & 1)
        Preset(data + 1, size - 1);
    else
        CommandLine(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    return 0;
}
