// `tonedot render --print-slurm-script`: the render as a Slurm job array.
#pragma once
#include <string>

#include "cli/CommandLine.h"
#include "cli/RenderPlan.h"
#include "session/EffectSession.h"
#include "cli/Names.h"

namespace tonedot::cli {

// The sbatch script rendering the plan's sequence as a job array: the same render line,
// everything explicit that a node could otherwise find for itself (the effect library,
// the starting values), each task taking its shard from the array.
std::string RenderSlurmScript(const ParsedArgs& args, const RenderPlan& plan, EffectSession& session);

}  // namespace tonedot::cli
