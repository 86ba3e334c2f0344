// Splitting a sequence's frames among the tasks of a render farm: shard K of N is the K-th
// of N contiguous, nearly equal chunks of the frame list, so every frame belongs to exactly
// one shard for any N (some shards are empty when N exceeds the frames).  Also: shards from
// a Slurm job array's environment, and the sbatch script that renders a sequence as one.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tonedot::cli {

struct Shard {
    long index = 0;  // K, from 0
    long count = 1;  // N
};

// Chunk K of N of `items` items: [begin, end).  Sizes differ by at most one; larger ones last.
struct ShardSpan {
    std::size_t begin = 0, end = 0;
};
ShardSpan ShardBounds(std::size_t items, Shard shard);

template <class T>
std::vector<T> ShardOf(const std::vector<T>& items, Shard shard) {
    const ShardSpan span = ShardBounds(items.size(), shard);
    return std::vector<T>(items.begin() + static_cast<std::ptrdiff_t>(span.begin),
                          items.begin() + static_cast<std::ptrdiff_t>(span.end));
}

// The largest N accepted anywhere.
constexpr long kMaxShards = 1000000;

// "K/N" with 0 <= K < N <= kMaxShards.  Throws a usage CliError.
Shard ParseShard(const std::string& text);

// K = SLURM_ARRAY_TASK_ID - SLURM_ARRAY_TASK_MIN (divided by SLURM_ARRAY_TASK_STEP when the
// array has a step), N = SLURM_ARRAY_TASK_COUNT.  Throws a usage CliError outside a job
// array or when the variables do not make a shard.  `getenv` is std::getenv but for tests.
using EnvLookup = std::function<const char*(const char*)>;
Shard ShardFromSlurm(const EnvLookup& getenv);

// An sbatch job-array script that renders a sequence with N tasks.
struct SlurmJob {
    std::string program;                   // the tonedot executable, absolute
    std::vector<std::string> renderWords;  // after "render" and the shard options
    std::string workDir;                   // absolute; relative paths in renderWords start here
    long tasks = 1;                        // array size
    long cpusPerTask = 1;
    long frames = 0;                       // for the script's head comment
    // A preset every task starts from (with --factory-defaults), so no node's own stored
    // defaults take part; empty when the render starts from the built-in defaults anyway.
    std::string startingValues;
};
std::string SlurmArrayScript(const SlurmJob& job);

// A word quoted for a POSIX shell.
std::string ShellQuote(const std::string& word);

}  // namespace tonedot::cli
