#include "cli/Demo.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "session/EffectSession.h"
#include "cli/ExitCodes.h"
#include "cli/ImageFile.h"
#include "cli/Progress.h"
#include "cli/TestCard.h"
#include "cli/Names.h"

namespace tonedot::cli {
namespace {

struct Look {
    std::string file;
    std::string title;
    std::vector<std::pair<std::string, std::string>> values;  // display name, value
    std::vector<std::pair<std::string, std::string>> layers;  // display name, "self" or "mask"
};

// Source colours for every dot: effector 1 reads the layer itself, stretched over it, and
// only picks its colours (ratios 1, offsets 0 leave the dots' sizes alone).
std::vector<std::pair<std::string, std::string>> SourceColoured() {
    return {{"Enable Effector 1", "on"}, {"Effect Map 1", "Use Custom Map"}, {"Fit to Layer 1", "on"},
            {"Pick Source Color 1", "on"}};
}

std::vector<Look> Looks() {
    std::vector<Look> looks;
    looks.push_back({"01-dots-over-source.png", "plain dots over the source",
                     {{"Dot Size", "12"}, {"Dot Distance X", "8"}, {"Dot Distance Y", "8"}}, {}});
    const char* shapes[] = {"Circle", "Square", "Round Square", "Cross", "Star", "Diamond"};
    int n = 2;
    for (const char* shape : shapes) {
        Look look;
        char file[64];
        std::string lower = shape;
        for (char& c : lower) c = c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::snprintf(file, sizeof file, "%02d-shape-%s.png", n++, lower.c_str());
        look.file = file;
        look.title = std::string("\"") + shape + "\" dots in the source's colours";
        look.values = SourceColoured();
        look.values.insert(look.values.end(), {{"Dot Shape", shape}, {"Dot Size", "16"}, {"Dot Distance X", "3"},
                                               {"Dot Distance Y", "3"}, {"Global Rotation", "15"},
                                               {"Clear Background", "on"}});
        look.layers = {{"Custom Map Layer 1", "self"}};
        looks.push_back(look);
    }
    looks.push_back({"08-luminance-halftone.png", "luminance halftone (dot size from the layer's own brightness)",
                     {{"Enable Effector 1", "on"}, {"Effect Map 1", "Use Custom Map"}, {"Fit to Layer 1", "on"},
                      {"Absolute 1", "on"}, {"ABS Size 1", "0"}, {"Dot Color", "#1A1A24"}, {"Dot Size", "11"},
                      {"Dot Distance X", "1"}, {"Dot Distance Y", "1"}, {"Global Rotation", "45"},
                      {"Clear Background", "on"}},
                     {{"Custom Map Layer 1", "self"}}});
    looks.push_back({"09-radial-effector.png", "a radial effector: dots grow, recolour and turn toward its centre",
                     {{"Dot Size", "6"}, {"Dot Distance X", "9"}, {"Dot Distance Y", "9"}, {"Dot Shape", "Star"},
                      {"Enable Effector 1", "on"}, {"Effect Map 1", "Radial"}, {"Position 1", "35%,40%"},
                      {"Size 1", "260"}, {"Falloff 1", "100"}, {"Absolute 1", "on"}, {"ABS Size 1", "22"},
                      {"ABS Rotation 1", "90"}, {"Color 1", "on"}, {"Blend Color 1", "#FFFFFF"},
                      {"Center Dot to Front 1", "on"}},
                     {{"Custom Map Layer 1", "self"}}});
    looks.push_back({"10-masked.png", "dots through a soft elliptical mask layer",
                     {{"Dot Shape", "Diamond"}, {"Dot Size", "14"}, {"Dot Distance X", "6"}, {"Dot Distance Y", "6"},
                      {"Dot Color", "#FFE040"}, {"Mask", "Layer"}},
                     {{"Mask Target Layer", "mask"}}});
    return looks;
}

void MakeFolder(const std::string& path) {
    std::string partial;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || (path[i] == '/' && i > 0)) {
            partial = path.substr(0, i);
            if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
                throw IOError("cannot create the folder \"" + partial + "\": " + std::strerror(errno) + ".");
        }
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw IOError("cannot use \"" + path + "\" as the demo folder: not a folder.");
}

}  // namespace

CommandDef DemoCommandDef() {
    CommandDef command;
    command.name = "demo";
    command.usage = "[FOLDER] [options]";
    command.brief = "Renders the built-in test card in a handful of looks into a folder.";
    command.summary =
        "Renders the built-in test card in a handful of looks (plain dots over the source, each\n"
        "shape, a luminance halftone, a radial effector, a masked render) into FOLDER (default\n"
        "\"tonedot-demo\") and says where.  Uses the built-in defaults, so the pictures do not\n"
        "depend on stored defaults.";
    command.maxArguments = 1;
    command.options = {
        {"size", 0, "WxH", "Size of the test card; default 800x500.", false},
        {"depth", 'd', "8|16|32", "Render depth; default 8.", false},
        {"quiet", 0, "", "No progress bar and no list of files.", false},
        EffectOption(),
    };
    return command;
}

int RunDemoCommand(const ParsedArgs& args) {
    const std::string folder = args.Arguments().empty() ? "tonedot-demo" : args.Arguments()[0];
    int width = 800, height = 500;
    if (auto size = args.Value("size")) {
        if (std::sscanf(size->c_str(), "%dx%d", &width, &height) != 2 || width < 16 || height < 16 ||
            width > 8000 || height > 8000 || size->find_first_not_of("0123456789x") != std::string::npos)
            throw UsageError("bad --size \"" + *size + "\": expected WxH, 16 to 8000 each (for example 800x500).");
    }
    Depth depth = Depth::Bits8;
    if (auto d = args.Value("depth")) {
        if (*d == "8") depth = Depth::Bits8;
        else if (*d == "16") depth = Depth::Bits16;
        else if (*d == "32" || *d == "float") depth = Depth::Float32;
        else throw UsageError("bad --depth \"" + *d + "\": expected 8, 16 or 32.");
    }
    const bool quiet = args.Has("quiet");
    MakeFolder(folder);

    EffectSession session(FindEffectLibrary(args.Value("effect").value_or("")), true);
    const Picture card = MakeTestCard(width, height, depth);
    const Picture mask = MakeTestMask(width, height, depth);
    const std::string ext = depth == Depth::Bits8 ? ".png" : (depth == Depth::Bits16 ? ".png" : ".exr");
    auto named = [&](std::string file) { return folder + "/" + file.substr(0, file.size() - 4) + ext; };

    std::vector<std::pair<std::string, std::string>> written;
    WriteImage(named("00-test-card.png"), card);
    written.push_back({named("00-test-card.png"), "the test card itself"});

    Instance& instance = session.NewInstance();
    const std::vector<Look> looks = Looks();
    ProgressBar bar(!quiet && StderrIsTerminal(), "tonedot demo", static_cast<long>(looks.size()), 1);
    ProgressMonitor monitor(&bar, 0);
    session::SetThreadMonitor(&monitor);
    for (const Look& look : looks) {
        ParamSettings settings;
        for (const auto& v : look.values) {
            const ParamInfo& info = session.Params().Require(v.first);
            settings[info.index] = ParseValue(info, v.second);
        }
        FrameLayers layers;
        layers.input = &card;
        for (const auto& l : look.layers) {
            const ParamInfo& info = session.Params().Require(l.first, "layer parameter");
            ParamValue value;
            value.layer = l.second == "self" ? LayerChoice::Self : LayerChoice::File;
            value.layerFile = l.second;
            settings[info.index] = value;
            layers.layers[info.index] = l.second == "self" ? &card : &mask;
        }
        // Layer parameters left alone keep their registered default (the effect's own
        // layer for the custom maps).
        for (const ParamInfo& info : session.Params().All())
            if (info.index > 0 && info.kind == ParamKind::Layer && !layers.layers.count(info.index) &&
                RegisteredValue(info).layer == LayerChoice::Self)
                layers.layers[info.index] = &card;
        FrameContext context;
        context.layerWidth = width;
        context.layerHeight = height;
        session.ApplySettings(instance, settings, context);
        session.UpdateParamsUI(instance);
        PreparedFrame frame = session.Prepare(instance, context, layers);
        const Picture result = session.Render(instance, frame);
        WriteImage(named(look.file), result);
        written.push_back({named(look.file), look.title});
        bar.FrameDone(0);
    }
    session::SetThreadMonitor(nullptr);
    bar.Finish();

    char absolute[PATH_MAX];
    const std::string where = realpath(folder.c_str(), absolute) ? absolute : folder;
    std::fprintf(stderr, "tonedot: wrote %zu images to %s\n", written.size(), where.c_str());
    if (!quiet)
        for (const auto& w : written) {
            const std::string file = w.first.substr(w.first.find_last_of('/') + 1);
            std::fprintf(stderr, "  %-28s %s\n", file.c_str(), w.second.c_str());
        }
    return kExitOk;
}

}  // namespace tonedot::cli
