// What `tonedot render` is asked to do: its options read into a plan, checked before
// anything is drawn.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/FrameSequence.h"
#include "cli/OutputEncoding.h"
#include "cli/StandardStreams.h"
#include "session/EffectSession.h"
#include "cli/Names.h"

namespace tonedot::cli {

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

// The plan of the render command's arguments.  Throws a usage CliError.
RenderPlan MakePlan(const ParsedArgs& args);

// Frame rate as time units: "24", "29.97", "30000/1001".  Throws a usage CliError.
void ParseFrameRate(const std::string& text, A_u_long& timeScale, A_long& timeStep);

// A whole number, the whole text.
bool ParseWhole(const std::string& text, long& out);

// Everything the frame writes is there: outputs are complete or absent, so this means done.
bool FrameDone(const RenderPlan& plan, long frame);

// The path with links resolved, or as it is when it cannot be resolved.
std::string AbsolutePath(const std::string& path);

// Every file a run reads and writes.  Before anything renders: no output may be an input
// of the run (any frame's, any layer's: by identity, after links), and no two outputs
// may be one file.
void CheckOutputsAgainstInputs(const RenderPlan& plan, const std::vector<std::string>& layerPatterns,
                               const ParsedArgs& args);

}  // namespace tonedot::cli
