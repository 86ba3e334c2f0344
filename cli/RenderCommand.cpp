#include "cli/RenderCommand.h"

#include <atomic>
#include <cctype>
#include <charconv>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <cstring>
#include <tuple>
#include <unistd.h>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>

#include "cli/AtomicFile.h"
#include "cli/DotVectors.h"
#include "cli/ExitCodes.h"
#include "cli/ImageFile.h"
#include "cli/OutputEncoding.h"
#include "cli/Progress.h"
#include "cli/RunFiles.h"
#include "cli/StandardStreams.h"
#include "cli/Shard.h"
#include "host/RenderCall.h"
#include "host/WorkerPool.h"

namespace tonedot::cli {
namespace {

std::pair<std::string, std::string> SplitAssignment(const std::string& text, const char* option) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
        throw UsageError(std::string("bad ") + option + " \"" + text + "\": expected " + option +
                         " \"NAME=VALUE\" (for example " + option + " \"Dot Size=20\").");
    return {text.substr(0, eq), text.substr(eq + 1)};
}

bool ParseWhole(const std::string& text, long& out) {
    if (text.empty()) return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

void CheckOutputFolder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw IOError("cannot write \"" + path + "\": the folder \"" + folder + "\" does not exist.");
    if (access(folder.c_str(), W_OK) != 0)
        throw IOError("cannot write \"" + path + "\": the folder \"" + folder + "\" is not writable.");
}

struct RenderPlan {
    FramePattern input{""}, output{""};
    std::optional<FramePattern> svg;
    std::vector<long> frames;
    std::optional<Depth> depth;
    OutputEncoding encoding;  // how the output images are compressed
    FrameContext context;  // size and frame filled per frame
    int jobs = 1;
    int threads = 0;  // the host's worker threads; 0: the cores the jobs leave over
    bool quiet = false;
    bool forceProgress = false;
    bool sequence = false;
    bool factoryDefaults = false;
    std::string effect;
    // "-": the input comes from standard input, the output goes to standard output, each
    // through a temporary file.
    std::shared_ptr<StandardInputFile> standardInput;
    std::shared_ptr<StandardOutputFile> standardOutput;
    std::string framesText;
    std::string shardText;      // "K/N" once --shard is applied
    bool skipExisting = false;  // frames whose outputs are all there are left out
    bool dryRun = false;        // lists the frames' outputs instead of rendering
    long slurmTasks = 0;        // --print-slurm-script: the array size
};

// A name a sequence would read as numbered ("in.%04d.png", "in.#.png").
bool LooksNumbered(const std::string& name) {
    try {
        return FramePattern(name).HasField();
    } catch (const CliError&) {
        return false;
    }
}

// Everything the frame writes is there: outputs are complete or absent, so this means done.
bool FrameDone(const RenderPlan& plan, long frame) {
    struct stat st;
    if (stat(plan.output.Expand(frame).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return !plan.svg || (stat(plan.svg->Expand(frame).c_str(), &st) == 0 && S_ISREG(st.st_mode));
}

std::string AbsolutePath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

RenderPlan MakePlan(const ParsedArgs& args) {
    RenderPlan plan;
    // Names hold frame-number fields only in sequences; a still image's name is taken as it is.
    plan.sequence = args.Has("frames");
    auto name = [&](const std::string& text) { return plan.sequence ? FramePattern(text) : FramePattern::Literal(text); };
    plan.input = name(args.Arguments()[0]);
    const std::optional<std::string> output = args.Value("output");
    if (!output) throw UsageError("no output; give one with -o FILE.");
    plan.output = name(*output);
    const std::optional<std::string> format = args.Value("format");
    if (format && !IsStandardStream(*output))
        throw UsageError("--format is for -o - (standard output); a file's format follows its name's extension.");
    if (plan.sequence && (IsStandardStream(args.Arguments()[0]) || IsStandardStream(*output)))
        throw UsageError("standard input and output carry one image; --frames needs file names.");
    if (IsStandardStream(*output)) {
        std::string ext = format.value_or("png");
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext.empty() || ext.find_first_of("./") != std::string::npos) ext = "?";
        try {
            CheckWritableFormat("stdout." + ext);
        } catch (const CliError&) {
            throw UsageError("bad --format \"" + *format + "\": no image writer knows it; use png, jpg, tif or exr.");
        }
        plan.standardOutput = std::make_shared<StandardOutputFile>(ext);
        plan.output = FramePattern::Literal(plan.standardOutput->Path());
    }
    if (auto svg = args.Value("svg")) plan.svg = name(*svg);
    CheckWritableFormat(plan.output.Expand(0));
    plan.encoding = ParseOutputEncoding(args.Value("compression"), args.Value("jpeg-quality"),
                                        ExtensionOf(plan.output.Expand(0)));

    if (auto time = args.Value("time")) {
        if (args.Has("frames")) throw UsageError("give either --time or --frames, not both.");
        std::string t = *time;
        const std::size_t at = t.find('@');
        if (at != std::string::npos) {
            ParseFrameRate(t.substr(at + 1), plan.context.timeScale, plan.context.timeStep);
            t.resize(at);
        }
        long frame = 0;
        if (!ParseWhole(t, frame) || frame < 0 || frame > 1000000000L)
            throw UsageError("bad --time \"" + *time + "\": expected a frame number from 0, optionally "
                             "with @FPS (for example 12 or 12@30).");
        plan.frames.push_back(frame);
    }
    if (auto fps = args.Value("fps")) {
        if (args.Value("time") && args.Value("time")->find('@') != std::string::npos)
            throw UsageError("the frame rate is given twice (--fps and --time N@FPS).");
        ParseFrameRate(*fps, plan.context.timeScale, plan.context.timeStep);
    }
    if (auto frames = args.Value("frames")) {
        plan.frames = ParseFrameList(*frames);
        plan.framesText = *frames;
        if (!plan.output.HasField())
            throw UsageError("with --frames the output needs a frame-number field, "
                             "for example -o out.%04d.png.");
        if (plan.svg && !plan.svg->HasField())
            throw UsageError("with --frames --svg needs a frame-number field, "
                             "for example --svg dots.%04d.svg.");
    } else if (struct stat st; LooksNumbered(plan.input.Text()) && stat(plan.input.Text().c_str(), &st) != 0) {
        throw IOError("cannot read \"" + plan.input.Text() + "\": no such file; for a numbered sequence give "
                      "the frames with --frames (for example --frames 1-48).");
    }
    if (plan.frames.empty()) plan.frames.push_back(0);

    if (auto depth = args.Value("depth")) {
        if (*depth == "8") plan.depth = Depth::Bits8;
        else if (*depth == "16") plan.depth = Depth::Bits16;
        else if (*depth == "32" || *depth == "float") plan.depth = Depth::Float32;
        else throw UsageError("bad --depth \"" + *depth + "\": expected 8, 16 or 32 (float).");
    }
    if (auto ds = args.Value("downsample")) {
        long x = 0, y = 0;
        const std::size_t comma = ds->find(',');
        const bool ok = comma == std::string::npos ? ParseWhole(*ds, x) && (y = x, true)
                                                   : ParseWhole(ds->substr(0, comma), x) &&
                                                         ParseWhole(ds->substr(comma + 1), y);
        if (!ok || x < 1 || y < 1 || x > 64 || y > 64)
            throw UsageError("bad --downsample \"" + *ds + "\": expected X,Y (or one number for both), "
                             "whole numbers from 1 to 64; 2,2 renders at half resolution.");
        plan.context.downsampleX = static_cast<int>(x);
        plan.context.downsampleY = static_cast<int>(y);
    }
    if (auto q = args.Value("quality")) {
        if (*q == "hi" || *q == "high") plan.context.highQuality = true;
        else if (*q == "lo" || *q == "low") plan.context.highQuality = false;
        else throw UsageError("bad --quality \"" + *q + "\": expected hi or lo.");
    }
    if (auto p = args.Value("path")) {
        if (*p == "smart") plan.context.smartPath = true;
        else if (*p == "plain") plan.context.smartPath = false;
        else throw UsageError("bad --path \"" + *p + "\": expected smart or plain.");
    }
    if (auto jobs = args.Value("jobs")) {
        long n = 0;
        if (!ParseWhole(*jobs, n) || n < 0 || n > 256)
            throw UsageError("bad --jobs \"" + *jobs + "\": expected a whole number from 0 (one per core) to 256.");
        plan.jobs = n == 0 ? WorkerPool::CoreCount() : static_cast<int>(n);
    }
    if (auto threads = args.Value("threads")) {
        long n = 0;
        if (!ParseWhole(*threads, n) || n < 0 || n > 256)
            throw UsageError("bad --threads \"" + *threads + "\": expected a whole number from 0 (one per core) to 256.");
        plan.threads = n == 0 ? WorkerPool::CoreCount() : static_cast<int>(n);
    }
    plan.quiet = args.Has("quiet");
    plan.forceProgress = args.Has("progress");
    // An output folder that cannot take the file is found before anything renders.
    CheckOutputFolder(plan.output.Expand(plan.frames.front()));
    if (plan.svg) CheckOutputFolder(plan.svg->Expand(plan.frames.front()));
    plan.factoryDefaults = args.Has("factory-defaults");
    plan.effect = args.Value("effect").value_or("");
    if (IsStandardStream(plan.input.Text())) {
        plan.standardInput = std::make_shared<StandardInputFile>();
        plan.input = FramePattern::Literal(plan.standardInput->Path());
    }

    plan.skipExisting = args.Has("skip-existing");
    plan.dryRun = args.Has("dry-run");
    if ((plan.skipExisting || plan.dryRun) && plan.standardOutput)
        throw UsageError(std::string(plan.skipExisting ? "--skip-existing" : "--dry-run") +
                         " looks at output files; -o - (standard output) has none.");
    if (auto tasks = args.Value("print-slurm-script")) {
        if (!plan.sequence)
            throw UsageError("--print-slurm-script is for a numbered sequence; say which "
                             "frames with --frames FIRST-LAST.");
        if (args.Has("shard") || plan.dryRun)
            throw UsageError("--print-slurm-script writes a script whose tasks take their "
                             "shard from the job array; give it without --shard and --dry-run.");
        if (!ParseWhole(*tasks, plan.slurmTasks) || plan.slurmTasks < 1 || plan.slurmTasks > kMaxShards)
            throw UsageError("bad --print-slurm-script \"" + *tasks + "\": expected the number of array "
                             "tasks, a whole number from 1 to " + std::to_string(kMaxShards) + ".");
    }
    if (auto text = args.Value("shard")) {
        const Shard shard = *text == "slurm" ? ShardFromSlurm(std::getenv) : ParseShard(*text);
        plan.frames = ShardOf(plan.frames, shard);
        plan.shardText = std::to_string(shard.index) + "/" + std::to_string(shard.count);
    }
    return plan;
}

// The memory the process may still take: the machine's available memory, and the
// address-space limit (ulimit -v) less what the process already maps.
std::uint64_t AvailableMemory() {
    std::uint64_t available = UINT64_MAX;
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kb = 0;
    std::string unit;
    while (meminfo >> key >> kb >> unit)
        if (key == "MemAvailable:") available = kb * 1024;
    struct rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        std::ifstream status("/proc/self/status");
        std::string line;
        std::uint64_t used = 0;
        while (std::getline(status, line))
            if (line.compare(0, 7, "VmSize:") == 0) used = std::strtoull(line.c_str() + 7, nullptr, 10) * 1024;
        const std::uint64_t room = limit.rlim_cur > used ? limit.rlim_cur - used : 0;
        available = std::min(available, room);
    }
    return available;
}

std::string Megabytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

// What a frame of this size holds at its peak: the decoded picture, the host's input and
// the effect's checkout of it, the output, and two images (the picture and the host's
// copy) per layer file; plus room for the effect's dot records.
std::uint64_t FrameNeed(int width, int height, Depth depth, int layerFiles, int dx, int dy) {
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    const std::uint64_t reduced = pixels / (static_cast<std::uint64_t>(dx) * static_cast<std::uint64_t>(dy)) + 1;
    const std::uint64_t bpp = static_cast<std::uint64_t>(BytesPerPixelOf(depth));
    const std::uint64_t copies = (dx > 1 || dy > 1) ? pixels * bpp + 3 * reduced * bpp : 4 * pixels * bpp;
    return copies + 2 * static_cast<std::uint64_t>(layerFiles) * pixels * bpp + (64u << 20);
}

// Layer images read once (files without a frame field) and shared by every frame.
class LayerFiles {
public:
    std::shared_ptr<const Picture> Get(const std::string& path, Depth depth, bool luma, const std::string& param) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto key = std::make_tuple(path, depth, luma);
        auto it = cache_.find(key);
        if (it == cache_.end()) it = cache_.emplace(key, Read(path, depth, luma, param)).first;
        return it->second;
    }

    // Reads a layer file; a mask from a file without alpha would be opaque everywhere, so
    // it gets a warning (once per file) unless its luminance is asked for.
    std::shared_ptr<const Picture> Read(const std::string& path, Depth depth, bool luma, const std::string& param) {
        LoadedImage loaded = ReadImage(path, depth);
        if (luma) return std::make_shared<const Picture>(LuminanceAsAlpha(std::move(loaded.picture)));
        if (!loaded.hasAlpha && param.find("Mask") != std::string::npos) {
            std::lock_guard<std::mutex> lock(warnMutex_);
            if (warned_.insert(path).second)
                Warn("\"" + path + "\" has no alpha channel, so as \"" + param +
                     "\" it is opaque everywhere; to use its brightness instead give --layer \"" + param + "=" +
                     path + ":luma\".");
        }
        return std::make_shared<const Picture>(std::move(loaded.picture));
    }

private:
    std::mutex mutex_, warnMutex_;
    std::set<std::string> warned_;
    std::map<std::tuple<std::string, Depth, bool>, std::shared_ptr<const Picture>> cache_;
};

// Every file a run reads and writes.  Before anything renders: no output may be an input
// of the run (any frame's, any layer's: by identity, after links), and no two outputs
// may be one file.
void CheckOutputsAgainstInputs(const RenderPlan& plan, const std::vector<std::string>& layerPatterns) {
    RunFiles files;
    std::vector<FramePattern> layerFiles;
    for (const std::string& p : layerPatterns) layerFiles.emplace_back(p);
    for (long frame : plan.frames) {
        files.AddInput(plan.input.Expand(frame));
        for (const FramePattern& l : layerFiles) files.AddInput(l.Expand(frame));
        if (!plan.input.HasField() && layerFiles.empty()) break;  // the same inputs for every frame
    }
    for (long frame : plan.frames) {
        files.AddOutput(plan.output.Expand(frame));
        if (plan.svg) files.AddOutput(plan.svg->Expand(frame));
    }
}

class FrameRenderer {
public:
    FrameRenderer(EffectSession& session, const RenderPlan& plan, const ParamSettings& settings)
        : session_(session), plan_(plan), settings_(settings) {
        for (const ParamInfo& info : session_.Params().All()) {
            if (info.index == 0 || info.kind != ParamKind::Layer) continue;
            auto it = settings_.find(info.index);
            const ParamValue value = it != settings_.end() ? it->second : RegisteredValue(info);
            if (value.layer == LayerChoice::File) ++layerFiles_;
        }
    }

    // Reads, renders and writes one frame on the calling thread's instance.
    void Run(Instance& instance, long frame) {
        const std::string inputPath = plan_.input.Expand(frame);
        const std::string outputPath = plan_.output.Expand(frame);
        // The frame's need is weighed against the memory there is before it is decoded.
        const ImageHeader header = ReadImageHeader(inputPath);
        const Depth depth = plan_.depth.value_or(header.fileDepth);
        const std::uint64_t need = FrameNeed(header.width, header.height, depth, layerFiles_,
                                             plan_.context.downsampleX, plan_.context.downsampleY);
        const std::uint64_t available = AvailableMemory();
        if (need > available)
            throw CliError(kExitMemory, "frame " + std::to_string(frame) + " (\"" + inputPath + "\", " +
                                            std::to_string(header.width) + " x " + std::to_string(header.height) +
                                            ", " + std::to_string(static_cast<int>(depth)) + "-bit) needs about " +
                                            Megabytes(need) + " of memory and only " + Megabytes(available) +
                                            " is available; render it with --downsample, a lower --depth or fewer --jobs.");

        LoadedImage loaded = ReadImage(inputPath, plan_.depth);
        const std::shared_ptr<const SourceTraits> traits = loaded.traits;
        FrameContext context = plan_.context;
        context.frame = frame;
        context.layerWidth = loaded.picture.Width();
        context.layerHeight = loaded.picture.Height();
        const Depth renderDepth = loaded.picture.GetDepth();
        const bool reduce = context.downsampleX > 1 || context.downsampleY > 1;
        Picture input = reduce ? Downsample(loaded.picture, context.downsampleX, context.downsampleY)
                               : std::move(loaded.picture);
        loaded.picture = Picture();

        FrameLayers layers;
        layers.input = &input;
        std::vector<std::shared_ptr<const Picture>> held;
        for (const ParamInfo& info : session_.Params().All()) {
            if (info.index == 0 || info.kind != ParamKind::Layer) continue;
            auto it = settings_.find(info.index);
            const ParamValue value = it != settings_.end() ? it->second : RegisteredValue(info);
            if (value.layer == LayerChoice::Self) {
                layers.layers[info.index] = &input;
            } else if (value.layer == LayerChoice::File) {
                const FramePattern pattern =
                    plan_.sequence ? FramePattern(value.layerFile) : FramePattern::Literal(value.layerFile);
                const std::string path = pattern.Expand(frame);
                std::shared_ptr<const Picture> picture =
                    pattern.HasField() ? files_.Read(path, renderDepth, value.layerLuma, info.name)
                                       : files_.Get(path, renderDepth, value.layerLuma, info.name);
                if (reduce)
                    picture = std::make_shared<const Picture>(
                        Downsample(*picture, context.downsampleX, context.downsampleY));
                held.push_back(picture);
                layers.layers[info.index] = picture.get();
            }
        }

        session_.ApplySettings(instance, settings_, context);
        PreparedFrame prepared = session_.Prepare(instance, context, layers);
        // The host holds its own copies now.
        input = Picture();
        held.clear();
        const RenderedFrame result = session_.RenderFrame(instance, prepared);
        std::string svg;
        if (plan_.svg) svg = FrameDotsSvg(session_, instance, prepared);
        WriteOptions options;
        options.compression = plan_.encoding.compression;
        options.compressionLevel = plan_.encoding.compressionLevel;
        options.jpegQuality = plan_.encoding.jpegQuality;
        options.source = traits.get();
        WriteImage(outputPath, result.View(), options);
        if (plan_.svg) WriteTextFileAtomically(plan_.svg->Expand(frame), svg);
    }

private:
    EffectSession& session_;
    const RenderPlan& plan_;
    const ParamSettings& settings_;
    LayerFiles files_;
    int layerFiles_ = 0;
};

// The sbatch script rendering the plan's sequence as a job array: the same render line,
// everything explicit that a node could otherwise find for itself (the effect library,
// the starting values), each task taking its shard from the array.
std::string SlurmScript(const ParsedArgs& args, const RenderPlan& plan, EffectSession& session) {
    const std::vector<OptionDef> defs = RenderCommandDef().options;
    SlurmJob job;
    job.program = AbsolutePath("/proc/self/exe");
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) throw IOError("cannot tell the current folder for the script.");
    job.workDir = cwd;
    for (const auto& option : args.Options()) {
        const std::string& name = option.first;
        const std::string& value = option.second;
        if (name == "print-slurm-script" || name == "skip-existing" || name == "progress" || name == "threads")
            continue;
        const auto def = std::find_if(defs.begin(), defs.end(), [&](const OptionDef& d) { return d.name == name; });
        job.renderWords.push_back("--" + name + (def != defs.end() && !def->valueName.empty() ? "=" + value : ""));
    }
    if (plan.effect.empty()) job.renderWords.push_back("--effect=" + AbsolutePath(FindEffectLibrary("")));
    // A node's core count must not size the task: the threads are given, and the task asks
    // for as many CPUs as it then runs threads at most.
    const int threads = plan.threads > 0 ? plan.threads : 1;
    job.renderWords.push_back("--threads=" + std::to_string(threads));
    if (!args.Arguments().empty() && args.Arguments()[0].rfind('-', 0) == 0) job.renderWords.push_back("--");
    job.renderWords.insert(job.renderWords.end(), args.Arguments().begin(), args.Arguments().end());
    if (!plan.factoryDefaults) {
        // The user's stored defaults travel with the script; none at all leave it plain.
        const std::string starting = PresetText(session.Params(), {});
        EffectSession factory(FindEffectLibrary(plan.effect), true);
        if (starting != PresetText(factory.Params(), {})) job.startingValues = starting;
        else job.renderWords.insert(job.renderWords.begin(), "--factory-defaults");
    }
    job.tasks = std::min<long>(plan.slurmTasks, static_cast<long>(plan.frames.size()));
    job.cpusPerTask = plan.jobs + threads - 1;
    job.description = plan.input.Text() + " to " + plan.output.Text() + ", frames " + plan.framesText;
    if (job.tasks < plan.slurmTasks && !plan.quiet)
        std::fprintf(stderr, "tonedot: %ld frames make %ld array tasks, not %ld.\n", job.tasks, job.tasks,
                     plan.slurmTasks);
    return SlurmArrayScript(job);
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

void ParseFrameRate(const std::string& text, A_u_long& timeScale, A_long& timeStep) {
    auto bad = [&]() {
        return UsageError("bad frame rate \"" + text + "\": expected frames per second above 0 and "
                          "up to " + FormatNumber(kMaxFrameRate) + ", such as 24, 29.97 or 30000/1001.");
    };
    const std::size_t slash = text.find('/');
    if (slash != std::string::npos) {
        long n = 0, d = 0;
        if (!ParseWhole(text.substr(0, slash), n) || !ParseWhole(text.substr(slash + 1), d) || n <= 0 ||
            d <= 0 || n > 1000000 || d > 1000000 || n > kMaxFrameRate * d)
            throw bad();
        timeScale = static_cast<A_u_long>(n);
        timeStep = static_cast<A_long>(d);
        return;
    }
    double fps = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), fps);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || !(fps > 0) || fps > kMaxFrameRate)
        throw bad();
    FrameContext context;
    SetFrameRate(context, fps);
    timeScale = context.timeScale;
    timeStep = context.timeStep;
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
        std::fputs(SlurmScript(args, plan, session).c_str(), stdout);
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
    CheckOutputsAgainstInputs(plan, layerPatterns);

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
        SetThreadProgress(&bar, slot);
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
            } catch (const std::exception& e) {
                std::lock_guard<std::mutex> lock(errorMutex);
                if (!firstError) firstError = CliError(kExitInternal, e.what());
                stop = true;
            }
        }
        SetThreadProgress(nullptr, 0);
    };
    if (workers == 1) work(0);
    else RenderConcurrently(session.GetHost(), workers, work);
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
        for (const auto& [temp, shown] : {std::make_pair(plan.input.Text(), std::string("standard input")),
                                         std::make_pair(plan.output.Text(), std::string("standard output"))}) {
            if (!(shown == "standard input" ? !!plan.standardInput : !!plan.standardOutput)) continue;
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
