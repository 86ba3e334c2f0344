#include "cli/SlurmRender.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <unistd.h>

#include "cli/ExitCodes.h"
#include "cli/RenderCommand.h"
#include "cli/Shard.h"

namespace tonedot::cli {

std::string RenderSlurmScript(const ParsedArgs& args, const RenderPlan& plan, EffectSession& session) {
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
        if (name == "jobs") {  // as many as the task asks CPUs for, whatever node runs it
            job.renderWords.push_back("--jobs=" + std::to_string(plan.jobs));
            continue;
        }
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
    job.frames = static_cast<long>(plan.frames.size());
    if (job.tasks < plan.slurmTasks && !plan.quiet)
        std::fprintf(stderr, "tonedot: %ld frames make %ld array tasks, not %ld.\n", job.tasks, job.tasks,
                     plan.slurmTasks);
    return SlurmArrayScript(job);
}

}  // namespace tonedot::cli
