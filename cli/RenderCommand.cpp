#include "cli/RenderCommand.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>

#include "cli/AtomicFile.h"
#include "cli/ExitCodes.h"
#include "cli/FrameRenderer.h"
#include "cli/Progress.h"
#include "cli/RenderPlan.h"
#include "cli/SlurmRender.h"
#include "host/RenderCall.h"
#include "host/WorkerPool.h"
#include "session/Presets.h"
#include "cli/Names.h"

namespace tonedot::cli {
namespace {

std::pair<std::string, std::string> SplitAssignment(const std::string& text, const char* option) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
        throw UsageError(std::string("bad ") + option + " \"" + text + "\": expected " + option +
                         " \"NAME=VALUE\" (for example " + option + " \"Dot Size=20\").");
    return {text.substr(0, eq), text.substr(eq + 1)};
}

}  // namespace

ParamSettings SettingsFromArgs(const RegisteredParams& params, const ParsedArgs& args) {
    ParamSettings settings;
    for (const std::string& preset : args.All("preset")) ReadPreset(preset, params, settings);
    for (const std::string& set : args.All("set")) {
        const auto [name, value] = SplitAssignment(set, "--set");
        const ParamInfo& info = params.Require(name);
        settings[info.index] = ParseValue(info, value);
    }
    for (const std::string& layer : args.All("layer")) {
        const auto [name, value] = SplitAssignment(layer, "--layer");
        const ParamInfo& info = params.Require(name, "layer parameter");
        settings[info.index] = ParseLayerValue(info, value);
    }
    return settings;
}

CommandDef RenderCommandDef() {
    CommandDef command;
    command.name = "render";
    command.usage = "INPUT -o OUTPUT [options]";
    command.brief = "Applies the effect to an image or an image sequence.";
    command.summary =
        "Applies the effect to an image (PNG, JPEG, TIFF, OpenEXR; alpha kept) or a numbered\n"
        "sequence and writes the result.  The render depth follows the input (8-bit, 16-bit,\n"
        "float) unless --depth says otherwise; the output keeps it where its format can.\n"
        "INPUT - reads the image from standard input; -o - writes it to standard output.";
    command.minArguments = 1;
    command.maxArguments = 1;
    command.options = {
        {"output", 'o', "FILE", "Where the result goes (.png, .jpg, .tif, .exr; - for standard\noutput).  Written to a temporary file first and renamed, so a\nfailure leaves nothing.", false},
        {"set", 's', "NAME=VALUE", "Sets a parameter by its display name (see \"tonedot params\"):\nnumbers, choice names or numbers, colours #RRGGBB or r,g,b,\nangles in degrees, points x,y in pixels or x%,y%, checkboxes on/off.", true},
        {"layer", 'l', "NAME=FILE", "Gives a layer parameter an image file, self (the input) or none,\ne.g. --layer \"Custom Map Layer 1=map.png\".", true},
        {"preset", 'p', "FILE", "Reads parameter values from a preset (the stored-defaults format);\napplied before --set.", true},
        FactoryDefaultsOption(),
        {"compression", 0, "NAME[:LEVEL]", "How the output is compressed: PNG zip:0-9; TIFF none, lzw, zip[:1-9],\npackbits; OpenEXR none, rle, zip[:1-9], zips, piz, pxr24, b44, b44a,\ndwaa[:LEVEL], dwab; JPEG jpeg:QUALITY.", false},
        {"jpeg-quality", 0, "Q", "JPEG quality from 1 to 100 (default 95).", false},
        {"format", 0, "NAME", "The image format of -o - (standard output): png (default), jpg,\ntif, exr or another the image library writes.", false},
        {"svg", 0, "FILE", "Also writes the frame's dots as SVG shapes (mask aside).", false},
        {"depth", 'd', "8|16|32", "Render depth; default: the input's.", false},
        {"time", 't', "FRAME[@FPS]", "The frame number (and frame rate) the host renders at; default 0.", false},
        {"fps", 0, "FPS", "Frame rate: 24, 29.97 or 30000/1001; default 24.", false},
        {"frames", 'f', "LIST", "Renders a numbered sequence: INPUT and OUTPUT hold %04d (or %d,\n# for four digits, @@@ for three), e.g. in.%04d.png -o out.#.png\n--frames 1-48.  LIST: FIRST-LAST, FIRST-LASTxSTEP, N, or several\nwith commas (1-10x2,15).  A still INPUT is rendered at every frame.\nWithout --frames, names are taken as they are (% is a percent sign).", false},
        {"jobs", 'j', "N", "Reads, renders and writes N frames at once (0: one per core).", false},
        {"threads", 0, "N", "Threads each frame's work may spread over, its own included (0: one\nper core).  Default: the cores the jobs leave, at least 1, so\njobs + threads - 1 threads work at most: all cores, no more.", false},
        {"shard", 0, "K/N|slurm", "Renders only the K-th (from 0) of N contiguous, nearly equal parts\nof the frames; \"slurm\" takes K and N from a Slurm job array.", false},
        {"skip-existing", 0, "", "Leaves out frames whose outputs exist (a finished frame's\noutputs are complete), so a re-run renders only what is missing.", false},
        {"dry-run", 0, "", "Lists the output of every frame it would render, one a line,\nand renders nothing.", false},
        {"print-slurm-script", 0, "TASKS", "Prints an sbatch script that renders the sequence as a Slurm\njob array of TASKS tasks (see docs/cluster.md).", false},
        {"downsample", 0, "X,Y", "Renders at 1/X by 1/Y resolution, as the host does for previews.", false},
        {"quality", 'q', "hi|lo", "Render quality; default hi.", false},
        {"path", 0, "smart|plain", "Host render path: smart render (default) or PF_Cmd_RENDER.", false},
        {"quiet", 0, "", "No progress bar and no messages on success.", false},
        {"progress", 0, "", "Shows the progress bar even when standard error is not a terminal.", false},
        EffectOption(),
    };
    command.details =
        "Examples:\n"
        "  tonedot render photo.jpg -o dots.png --set \"Dot Size=14\" --set \"Dot Shape=Star\"\n"
        "  tonedot render in.%04d.exr -o out.%04d.exr --frames 1-48 --jobs 2 --preset look.ini\n"
        "  tonedot render in.%04d.png -o out.%04d.png --frames 1-240 --jobs 2 --print-slurm-script 8 > job.sh\n"
        "  tonedot render photo.png -o halftone.png --set \"Enable Effector 1=on\" \\\n"
        "      --set \"Effect Map 1=Use Custom Map\" --layer \"Custom Map Layer 1=self\"\n"
        "\n"
        "Exit codes: 0 done; 2 usage (bad option, unknown parameter, bad value, an output\n"
        "that is an input); 3 an input could not be read or an output not written; 4 the\n"
        "effect failed (the message names the host error) or could not be loaded; 5 a frame\n"
        "needs more memory than there is; 128 + the signal when interrupted (130 Ctrl-C).\n";
    return command;
}

int RunRenderCommand(const ParsedArgs& args) {
    RenderPlan plan = MakePlan(args);
    EffectSession session(FindEffectLibrary(plan.effect), plan.factoryDefaults);
    const ParamSettings settings = SettingsFromArgs(session.Params(), args);
    if (plan.slurmTasks > 0) {
        std::fputs(RenderSlurmScript(args, plan, session).c_str(), stdout);
        return kExitOk;
    }
    const std::size_t assigned = plan.frames.size();
    if (plan.skipExisting)
        plan.frames.erase(std::remove_if(plan.frames.begin(), plan.frames.end(),
                                         [&](long frame) { return FrameDone(plan, frame); }),
                          plan.frames.end());
    if (plan.dryRun) {
        for (long frame : plan.frames) std::printf("%s\n", plan.output.Expand(frame).c_str());
        return kExitOk;
    }
    const std::string shardNote = plan.shardText.empty() ? "" : " (shard " + plan.shardText + ")";
    if (plan.frames.empty()) {
        if (!plan.quiet)
            std::fprintf(stderr, "tonedot: nothing to render%s: %s\n", shardNote.c_str(),
                        assigned == 0 ? "the shard holds no frames" : "every output is there already");
        return kExitOk;
    }

    std::vector<std::string> layerPatterns;
    for (const auto& entry : settings)
        if (entry.second.layer == LayerChoice::File) layerPatterns.push_back(entry.second.layerFile);
    CheckOutputsAgainstInputs(plan, layerPatterns, args);

    const int workers = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(plan.jobs), plan.frames.size()));
    // The host's worker pool is shared by the frames in flight, each of which works on its
    // own thread too: at most workers + threads - 1 threads at once.
    session.GetHost().SetWorkerCount(plan.threads > 0 ? plan.threads
                                                      : std::max(1, WorkerPool::CoreCount() - workers + 1));
    // Each worker renders on an instance of its own.  Its values are set and
    // PF_Cmd_UPDATE_PARAMS_UI sent here, on this thread, before any render thread starts.
    std::vector<Instance*> instances;
    for (int i = 0; i < workers; ++i) {
        Instance& instance = session.NewInstance();
        session.ApplySettings(instance, settings, plan.context);
        session.UpdateParamsUI(instance);
        instances.push_back(&instance);
    }

    ProgressBar bar(!plan.quiet && (plan.forceProgress || StderrIsTerminal()), "tonedot", static_cast<long>(plan.frames.size()), workers);
    FrameRenderer renderer(session, plan, settings);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex errorMutex;
    std::optional<CliError> firstError;

    auto work = [&](int slot) {
        ProgressMonitor monitor(&bar, slot);
        session::SetThreadMonitor(&monitor);
        Instance& instance = *instances[static_cast<std::size_t>(slot)];
        for (;;) {
            if (stop || Interrupted()) break;
            const std::size_t k = next++;
            if (k >= plan.frames.size()) break;
            try {
                renderer.Run(instance, plan.frames[k]);
                bar.FrameDone(slot);
            } catch (const CliError& e) {
                std::lock_guard<std::mutex> lock(errorMutex);
                if (!firstError) firstError = e;
                stop = true;
            } catch (const session::Error& e) {
                std::lock_guard<std::mutex> lock(errorMutex);
                if (!firstError) firstError = ToCliError(e);
                stop = true;
            } catch (const std::exception& e) {
                std::lock_guard<std::mutex> lock(errorMutex);
                if (!firstError) firstError = CliError(kExitInternal, e.what());
                stop = true;
            }
        }
        session::SetThreadMonitor(nullptr);
    };
    if (workers == 1) work(0);
    else RenderConcurrently(session.GetHost(), workers, work, [&] { stop = true; });
    bar.Finish();
    if (Interrupted()) {
        // Whatever failed after the signal failed because of it.
        RemovePendingTempFiles();
        throw CliError(InterruptExitCode(), std::string("interrupted (") + strsignal(InterruptSignal()) +
                                                "); frames finished before it were kept, nothing partial was written.");
    }
    if (firstError) {
        // The temporary files of standard input and output are named as what they stand for.
        std::string message = firstError->what();
        for (const auto& [temp, shown] :
             {std::make_pair(plan.input.Text(), plan.standardInput ? plan.standardInput->Shown() : std::string()),
              std::make_pair(plan.output.Text(), std::string(plan.standardOutput ? "standard output" : ""))}) {
            if (shown.empty()) continue;
            for (std::size_t at; (at = message.find("\"" + temp + "\"")) != std::string::npos;)
                message.replace(at, temp.size() + 2, shown);
        }
        throw CliError(firstError->Code(), message);
    }
    if (plan.standardOutput) plan.standardOutput->Send();
    if (!plan.quiet) {
        if (plan.sequence && assigned != plan.frames.size())
            std::fprintf(stderr, "tonedot: wrote %zu frames to %s%s; %zu were there already\n", plan.frames.size(),
                        plan.output.Text().c_str(), shardNote.c_str(), assigned - plan.frames.size());
        else if (plan.sequence)
            std::fprintf(stderr, "tonedot: wrote %zu frames to %s%s\n", plan.frames.size(), plan.output.Text().c_str(),
                        shardNote.c_str());
        else
            std::fprintf(stderr, "tonedot: wrote %s\n",
                         plan.standardOutput ? "the image to standard output" : plan.output.Expand(plan.frames[0]).c_str());
        if (plan.svg)
            std::fprintf(stderr, "tonedot: wrote dots as SVG to %s\n",
                        plan.sequence ? plan.svg->Text().c_str() : plan.svg->Expand(plan.frames[0]).c_str());
    }
    return kExitOk;
}

}  // namespace tonedot::cli
