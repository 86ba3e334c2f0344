#include "cli/RenderPlan.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/ExitCodes.h"
#include "cli/ImageFile.h"
#include "cli/RunFiles.h"
#include "cli/AtomicFile.h"
#include "cli/Shard.h"

namespace tonedot::cli {
namespace {

// A name a sequence would read as numbered ("in.%04d.png", "in.#.png").
bool LooksNumbered(const std::string& name) {
    try {
        return FramePattern(name).HasField();
    } catch (const CliError&) {
        return false;
    }
}

}  // namespace

bool ParseWhole(const std::string& text, long& out) {
    if (text.empty()) return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

namespace {

// An SVG this program wrote ends with its closing tag.
bool SvgComplete(const std::string& path) {
    std::string text;
    if (!ReadWholeFile(path, text)) return false;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    return text.size() >= 6 && text.compare(text.size() - 6, 6, "</svg>") == 0;
}

}  // namespace

bool FrameDone(const RenderPlan& plan, long frame) {
    // Done means complete: a frame cut short (a crash, a full disk, a copy) is rendered again.
    return DecodesWhole(plan.output.Expand(frame)) && (!plan.svg || SvgComplete(plan.svg->Expand(frame)));
}

std::string AbsolutePath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
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
    if (IsStandardStream(plan.input.Text()) || (!plan.input.HasField() && IsStream(plan.input.Text()))) {
        // A stream is read once, whole, before anything looks at it.
        plan.standardInput = std::make_shared<StandardInputFile>(IsStandardStream(plan.input.Text()) ? "" : plan.input.Text());
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

void CheckOutputsAgainstInputs(const RenderPlan& plan, const std::vector<std::string>& layerPatterns,
                               const ParsedArgs& args) {
    RunFiles files;
    files.AddSettingsInputs(args);
    std::vector<FramePattern> layerFiles;
    for (const std::string& p : layerPatterns) layerFiles.emplace_back(p);
    for (long frame : plan.frames) {
        files.AddInput(plan.input.Expand(frame));
        for (const FramePattern& l : layerFiles) files.AddInput(l.Expand(frame));
        if (!plan.input.HasField() && layerFiles.empty()) break;  // the same inputs for every frame
    }
    for (long frame : plan.frames) {
        if (!plan.standardOutput) files.AddOutput(plan.output.Expand(frame));
        if (plan.svg) files.AddOutput(plan.svg->Expand(frame));
    }
    if (plan.standardOutput) files.AddStandardOutput();
}

}  // namespace tonedot::cli
