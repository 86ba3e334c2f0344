#include "cli/Shard.h"

#include <cassert>
#include <cctype>
#include <charconv>

#include "cli/ExitCodes.h"

namespace tonedot::cli {
namespace {

bool ParseCount(const std::string& text, long& out) {
    if (text.empty()) return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && out >= 0;
}

}  // namespace

ShardSpan ShardBounds(std::size_t items, Shard shard) {
    assert(shard.count >= 1 && shard.index >= 0 && shard.index < shard.count);
    // Frames at most 10^6 and N at most 10^6: the products fit in 64 bits.
    const auto n = static_cast<unsigned long long>(shard.count);
    const auto k = static_cast<unsigned long long>(shard.index);
    const auto m = static_cast<unsigned long long>(items);
    return {static_cast<std::size_t>(m * k / n), static_cast<std::size_t>(m * (k + 1) / n)};
}

Shard ParseShard(const std::string& text) {
    const std::size_t slash = text.find('/');
    Shard shard;
    if (slash == std::string::npos || !ParseCount(text.substr(0, slash), shard.index) ||
        !ParseCount(text.substr(slash + 1), shard.count) || shard.count < 1 || shard.count > kMaxShards ||
        shard.index >= shard.count)
        throw UsageError("bad --shard \"" + text + "\": expected K/N, the K-th of N parts counted from 0 "
                         "(0/4 to 3/4 for four machines; N up to " + std::to_string(kMaxShards) +
                         "), or slurm.");
    return shard;
}

Shard ShardFromSlurm(const EnvLookup& getenv) {
    const char* id = getenv("SLURM_ARRAY_TASK_ID");
    if (!id)
        throw UsageError("--shard slurm: not in a Slurm job array (SLURM_ARRAY_TASK_ID is not set); submit "
                         "with sbatch --array=0-N, or give --shard K/N.");
    long values[4] = {0, 0, 0, 1};
    const char* names[4] = {"SLURM_ARRAY_TASK_ID", "SLURM_ARRAY_TASK_MIN", "SLURM_ARRAY_TASK_COUNT",
                            "SLURM_ARRAY_TASK_STEP"};
    for (int i = 0; i < 4; ++i) {
        const char* value = getenv(names[i]);
        if (!value && i == 3) continue;
        if (!value || !ParseCount(value, values[i]))
            throw UsageError(std::string("--shard slurm: ") + names[i] + " is " +
                             (value ? "\"" + std::string(value) + "\"" : std::string("not set")) +
                             "; expected a whole number from 0 as Slurm sets it in a job array.");
    }
    const long offset = values[0] - values[1], count = values[2], step = values[3];
    Shard shard{offset, count};
    if (step > 1 && offset >= 0 && offset % step == 0) shard.index = offset / step;
    if (count < 1 || count > kMaxShards || shard.index < 0 || shard.index >= count)
        throw UsageError("--shard slurm: task " + std::to_string(values[0]) + " of an array from " +
                         std::to_string(values[1]) + " with " + std::to_string(count) +
                         " tasks is not one of N consecutive tasks; give the array as a range "
                         "(sbatch --array=0-" + std::to_string(count > 0 ? count - 1 : 0) + ").");
    return shard;
}

std::string ShellQuote(const std::string& word) {
    bool plain = !word.empty();
    for (char c : word)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || std::string("_-.,/:=+@%").find(c) != std::string::npos))
            plain = false;
    if (plain) return word;
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string SlurmArrayScript(const SlurmJob& job) {
    assert(job.tasks >= 1 && job.cpusPerTask >= 1);
    // Every name and value reaches the shell as one single-quoted word; comments carry none.
    // The array's size is written into the shard, so that a task submitted alone
    // (sbatch --array=2) renders its own share, not every missing frame.
    std::string render = "render=(" + ShellQuote(job.program) + " render --shard \"$task/" +
                         std::to_string(job.tasks) + "\" --skip-existing";
    if (!job.startingValues.empty()) render += " --factory-defaults --preset \"$starting_values\"";
    for (const std::string& word : job.renderWords) render += " " + ShellQuote(word);
    render += ")";

    std::string s;
    s += "#!/bin/bash\n";
    s += "# tonedot: " + std::to_string(job.frames) + " frames in " + std::to_string(job.tasks) +
         " Slurm array tasks; the render's words are on the line \"render=(...)\".\n";
    s += "# Submit with \"sbatch THIS-FILE\".  Submitting it again, or a part of it\n";
    s += "# (sbatch --array=2 THIS-FILE), renders only the frames still missing of those tasks.\n";
    s += "#SBATCH --job-name=tonedot\n";
    s += "#SBATCH --array=0-" + std::to_string(job.tasks - 1) + "\n";
    s += "#SBATCH --ntasks=1\n";
    s += "#SBATCH --cpus-per-task=" + std::to_string(job.cpusPerTask) + "\n";
    s += "set -euo pipefail\n";
    s += "task=\"${SLURM_ARRAY_TASK_ID:?is not set: submit this script with sbatch}\"\n";
    s += "cd " + ShellQuote(job.workDir) + "\n";
    if (!job.startingValues.empty()) {
        s += "# The values the render started from where this script was made (its user's stored\n";
        s += "# defaults), so that no node's own stored defaults take part.\n";
        s += "starting_values=$(mktemp)\n";
        s += "trap 'rm -f \"$starting_values\"' EXIT\n";
        s += "printf '%s' " + ShellQuote(job.startingValues) + " >\"$starting_values\"\n";
    }
    s += render + "\n";
    s += "\"${render[@]}\"\n";
    s += "# Every output frame of this task must exist now.\n";
    s += "missing=$(\"${render[@]:0:2}\" --dry-run \"${render[@]:2}\")\n";
    s += "if [ -n \"$missing\" ]; then\n";
    s += "  printf 'tonedot: task %s: frames missing after the render:\\n%s\\n' \"$task\" \"$missing\" >&2\n";
    s += "  exit 3\n";
    s += "fi\n";
    return s;
}

}  // namespace tonedot::cli
