// Splitting frames among farm tasks, shards from a Slurm job array's environment, and the
// job-array script.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sys/stat.h>

#include "CliRunner.h"
#include "cli/ExitCodes.h"
#include "cli/Shard.h"

using namespace tonedot::cli;
using clitest::CliScratch;

namespace {

std::string UsageMessage(const std::function<void()>& f) {
    try {
        f();
    } catch (const CliError& e) {
        EXPECT_EQ(e.Code(), kExitUsage) << e.what();
        return e.what();
    }
    return "";
}

void WriteFile(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_TRUE(f);
    std::fputs(text.c_str(), f);
    std::fclose(f);
}

std::string RunShell(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char buffer[4096];
    std::size_t n = 0;
    while (p && (n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    if (p) pclose(p);
    return out;
}

}  // namespace

TEST(Shards, EveryItemInExactlyOneContiguousNearlyEqualChunk) {
    for (std::size_t items : {0u, 1u, 5u, 24u, 1000u}) {
        for (long n : {1L, 3L, 4L, 7L, 24L, 25L, 1000L}) {
            std::size_t next = 0, smallest = items, largest = 0;
            for (long k = 0; k < n; ++k) {
                const ShardSpan span = ShardBounds(items, Shard{k, n});
                EXPECT_EQ(span.begin, next) << items << " items, shard " << k << "/" << n;
                EXPECT_LE(span.begin, span.end);
                next = span.end;
                smallest = std::min(smallest, span.end - span.begin);
                largest = std::max(largest, span.end - span.begin);
            }
            EXPECT_EQ(next, items) << items << " items, " << n << " shards";
            EXPECT_LE(largest - smallest, 1u) << items << " items, " << n << " shards";
        }
    }
    EXPECT_EQ(ShardOf(std::vector<long>{10, 20, 30, 40, 50, 60, 70}, Shard{1, 3}), (std::vector<long>{30, 40}));
}

TEST(Shards, ParsedFromKOverN) {
    EXPECT_EQ(ParseShard("0/1").count, 1);
    EXPECT_EQ(ParseShard("6/7").index, 6);
    for (const char* bad : {"", "3", "4/4", "-1/4", "1/0", "a/b", "1/4/2", "1/ 4", "0/1000001"})
        EXPECT_NE(UsageMessage([&] { ParseShard(bad); }).find("--shard"), std::string::npos) << bad;
}

TEST(Shards, FromSlurmArrayEnvironment) {
    struct Case {
        std::map<std::string, std::string> env;
        long index, count;  // -1: refused
    };
    const std::vector<Case> cases = {
        {{{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_MIN", "0"}, {"SLURM_ARRAY_TASK_COUNT", "4"}}, 2, 4},
        {{{"SLURM_ARRAY_TASK_ID", "7"}, {"SLURM_ARRAY_TASK_MIN", "5"}, {"SLURM_ARRAY_TASK_COUNT", "3"}}, 2, 3},
        // --array=10-40:10
        {{{"SLURM_ARRAY_TASK_ID", "30"}, {"SLURM_ARRAY_TASK_MIN", "10"}, {"SLURM_ARRAY_TASK_COUNT", "4"},
          {"SLURM_ARRAY_TASK_STEP", "10"}}, 2, 4},
        // re-submitted alone: one task renders the whole list
        {{{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_MIN", "2"}, {"SLURM_ARRAY_TASK_COUNT", "1"}}, 0, 1},
        {{}, -1, 0},                                                      // not a job array
        {{{"SLURM_JOB_ID", "12"}}, -1, 0},                                // a job, but no array
        {{{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_COUNT", "4"}}, -1, 0},
        {{{"SLURM_ARRAY_TASK_ID", "x"}, {"SLURM_ARRAY_TASK_MIN", "0"}, {"SLURM_ARRAY_TASK_COUNT", "4"}}, -1, 0},
        // --array=1,5,7: not consecutive
        {{{"SLURM_ARRAY_TASK_ID", "5"}, {"SLURM_ARRAY_TASK_MIN", "1"}, {"SLURM_ARRAY_TASK_COUNT", "3"}}, -1, 0},
        {{{"SLURM_ARRAY_TASK_ID", "0"}, {"SLURM_ARRAY_TASK_MIN", "0"}, {"SLURM_ARRAY_TASK_COUNT", "0"}}, -1, 0},
    };
    for (const Case& c : cases) {
        const EnvLookup env = [&](const char* name) -> const char* {
            auto it = c.env.find(name);
            return it == c.env.end() ? nullptr : it->second.c_str();
        };
        if (c.index < 0) {
            EXPECT_NE(UsageMessage([&] { ShardFromSlurm(env); }).find("--shard slurm"), std::string::npos);
        } else {
            const Shard shard = ShardFromSlurm(env);
            EXPECT_EQ(shard.index, c.index);
            EXPECT_EQ(shard.count, c.count);
        }
    }
}

// The shell itself reads the quoted words and the script back, hostile ones included: any
// text that ran as a command would print "injected".
TEST(Shards, ScriptWordsReachTheShellUnchanged) {
    const std::vector<std::string> words = {
        "in.%04d.png", "--set", "Dot Color=#000000", "it's", "$HOME", "a\"b\\c", "", "-o",
        "out\n$(echo injected)\n.png", "`echo injected`", "';echo injected;'", "x\necho injected\n#",
        "\xff\xfe\x80 not UTF-8", "--", "-input.png"};
    std::string command = "printf '%s\\n'";
    std::string expected;
    for (const std::string& w : words) {
        command += " " + ShellQuote(w);
        expected += w + "\n";
    }
    EXPECT_EQ(RunShell(command), expected);

    // The script run by bash with a stand-in program that records its words: it renders once,
    // then checks, and fails when the check names a missing frame.  The starting values reach
    // every call as a preset that is gone when the task ends.
    CliScratch scratch;
    const std::string work = scratch.Path("work\n$(echo injected)'");
    ASSERT_EQ(mkdir(work.c_str(), 0777), 0);
    const std::string fake = scratch.Path("fake tonedot");
    WriteFile(fake, "#!/bin/sh\ncd \"$(dirname \"$0\")\"\nprintf '%s\\n' \"$@\" >> calls.txt\necho == >> calls.txt\n"
                    "for a; do [ \"$prev\" = --preset ] && cat \"$a\" >> presets.txt && echo \"$a\" > preset-path.txt; prev=$a; done\n"
                    "case \" $* \" in *' --dry-run '*) cat missing.txt 2>/dev/null || true;; esac\n");
    chmod(fake.c_str(), 0755);
    const std::string script = scratch.Path("job.sh");
    const std::string starting = "[Version=1.5]\nDot Size=3\nTONEDOT_STARTING_VALUES\n$(echo injected)'\n";
    WriteFile(script, SlurmArrayScript(SlurmJob{fake, words, work, 4, 2, 40, starting}));
    const std::string text = clitest::ReadText(script);
    EXPECT_NE(text.find("#SBATCH --array=0-3\n"), std::string::npos);
    EXPECT_NE(text.find("#SBATCH --cpus-per-task=2\n"), std::string::npos);
    for (std::size_t at = 0; (at = text.find('#', at)) != std::string::npos; ++at) {  // comments name nothing
        if (at == 0 || text[at - 1] == '\n') {
            EXPECT_EQ(text.substr(at, text.find('\n', at) - at).find("in.%04d"), std::string::npos);
        }
    }

    // Task 3 submitted alone still renders its own share of four.
    const std::string run = "cd / && SLURM_ARRAY_TASK_ID=3 SLURM_ARRAY_TASK_COUNT=1 bash " + clitest::Quote(script) +
                            " 2>&1; echo \"exit $?\"";
    EXPECT_EQ(RunShell(run), "exit 0\n");
    std::string presetPath = clitest::ReadText(scratch.Path("preset-path.txt"));
    presetPath.pop_back();
    const std::string head = "render\n--shard\n3/4\n--skip-existing\n--factory-defaults\n--preset\n" + presetPath + "\n";
    EXPECT_EQ(clitest::ReadText(scratch.Path("calls.txt")),
              head + expected + "==\n" + "render\n--dry-run\n" + head.substr(7) + expected + "==\n");
    EXPECT_EQ(clitest::ReadText(scratch.Path("presets.txt")), starting + starting);
    EXPECT_FALSE(clitest::Exists(presetPath)) << presetPath;
    WriteFile(scratch.Path("missing.txt"), "out.0007.png\n");
    EXPECT_EQ(RunShell(run), "tonedot: task 3: frames missing after the render:\nout.0007.png\nexit 3\n");
    EXPECT_EQ(RunShell("cd / && bash " + clitest::Quote(script) + " 2>&1 >/dev/null | grep -c 'submit this script with sbatch'"),
              "1\n");
}

namespace {

std::string FrameName(const std::string& prefix, long frame) {
    char name[64];
    std::snprintf(name, sizeof name, "%s.%02ld.png", prefix.c_str(), frame);
    return name;
}

ino_t Inode(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

// Through the program: the shards of a stepped frame list, for several N, together give every
// frame once, each byte for byte the file of one local run of the whole list.
TEST(CliShards, ShardsTogetherAreTheLocalRunByteForByte) {
    CliScratch s;
    s.WriteCard("in.png", 160, 100);
    const std::vector<std::string> look = {"in.png", "--frames", "0-18x2", "--set", "Random Interval=1",
                                           "--set", "Size=0.5", "--factory-defaults"};
    auto render = [&](const std::string& prefix, std::vector<std::string> extra) {
        std::vector<std::string> args = {"render", "-o", prefix + ".%02d.png"};
        args.insert(args.end(), look.begin(), look.end());
        args.insert(args.end(), extra.begin(), extra.end());
        return s.Run(args);
    };
    ASSERT_EQ(render("local", {}).code, 0);
    for (long n : {1L, 3L, 7L, 12L}) {
        std::map<long, int> rendered;
        for (long k = 0; k < n; ++k) {
            const std::string prefix = "n" + std::to_string(n) + "k" + std::to_string(k);
            const clitest::RunResult r = render(prefix, {"--shard", std::to_string(k) + "/" + std::to_string(n)});
            ASSERT_EQ(r.code, 0) << r.err;
            for (long f = 0; f <= 18; f += 2) {
                if (!clitest::Exists(s.Path(FrameName(prefix, f)))) continue;
                ++rendered[f];
                EXPECT_EQ(clitest::ReadText(s.Path(FrameName(prefix, f))), clitest::ReadText(s.Path(FrameName("local", f))))
                    << "frame " << f << " of shard " << k << "/" << n;
            }
        }
        EXPECT_EQ(rendered.size(), 10u) << n << " shards";
        for (const auto& [frame, times] : rendered) EXPECT_EQ(times, 1) << "frame " << frame << ", " << n << " shards";
    }
}

// A re-run with --skip-existing writes only the missing frames (a rewritten file is renamed
// into place, so it has a new inode); a frame whose SVG is missing is not finished.
TEST(CliShards, SkipExistingRendersOnlyWhatIsMissing) {
    CliScratch s;
    s.WriteCard("in.png", 120, 80);
    const std::vector<std::string> render = {"render", "in.png", "-o", "f.%02d.png", "--svg", "f.%02d.svg",
                                             "--frames", "1-5", "--skip-existing"};
    ASSERT_EQ(s.Run(render).code, 0);
    std::remove(s.Path("f.02.png").c_str());
    std::remove(s.Path("f.04.svg").c_str());
    std::map<long, ino_t> before;
    for (long f = 1; f <= 5; ++f) before[f] = Inode(s.Path(FrameName("f", f)));

    std::vector<std::string> dry = render;
    dry.push_back("--dry-run");
    const clitest::RunResult listed = s.Run(dry);
    EXPECT_EQ(listed.code, 0);
    EXPECT_EQ(listed.out, "f.02.png\nf.04.png\n");
    const clitest::RunResult again = s.Run(render);
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_NE(again.err.find("wrote 2 frames to f.%02d.png; 3 were there already"), std::string::npos) << again.err;
    for (long f = 1; f <= 5; ++f)
        EXPECT_EQ(Inode(s.Path(FrameName("f", f))) == before[f], f != 2 && f != 4) << "frame " << f;
    EXPECT_TRUE(clitest::Exists(s.Path("f.04.svg")));

    const clitest::RunResult done = s.Run(render);
    EXPECT_EQ(done.code, 0);
    EXPECT_NE(done.err.find("every output is there already"), std::string::npos) << done.err;

    // A frame cut short, empty or not an image at all is not done; nor is an SVG cut short.
    const std::string whole = clitest::ReadText(s.Path("f.01.png"));
    WriteFile(s.Path("f.01.png"), "");
    std::ofstream(s.Path("f.03.png"), std::ios::binary) << whole.substr(0, whole.size() / 2);
    WriteFile(s.Path("f.05.png"), "not an image");
    const std::string svg = clitest::ReadText(s.Path("f.02.svg"));
    WriteFile(s.Path("f.02.svg"), svg.substr(0, svg.size() / 2));
    const clitest::RunResult broken = s.Run(dry);
    EXPECT_EQ(broken.out, "f.01.png\nf.02.png\nf.03.png\nf.05.png\n") << broken.err;
}

// The printed script, run by bash as two array tasks, renders frames whose names begin with
// "-" and hold newlines and shell code, as they are; "--jobs 0" reaches the nodes as a number.
TEST(CliShards, SlurmScriptRendersHostileNamesAsGiven) {
    CliScratch s;
    const std::string input = "-in\n$(echo injected).png", output = "-out\n`echo injected`';.%02d.png";
    s.WriteCard(input, 32, 24);
    const clitest::RunResult made = s.Run({"render", "-o", output, "--frames", "0-3", "--jobs", "0", "--factory-defaults",
                                           "--quiet", "--print-slurm-script", "2", "--", input});
    ASSERT_EQ(made.code, 0) << made.err;
    EXPECT_EQ(made.out.find("--jobs=0"), std::string::npos);
    EXPECT_NE(made.out.find("--jobs="), std::string::npos);
    const std::string script = s.Path("job.sh");
    WriteFile(script, made.out);
    for (int task = 0; task < 2; ++task)
        EXPECT_EQ(RunShell("cd / && SLURM_ARRAY_TASK_ID=" + std::to_string(task) + " XDG_CONFIG_HOME=" +
                           clitest::Quote(s.Config()) + " bash " + clitest::Quote(script) + " 2>&1; echo \"exit $?\""),
                  "exit 0\n") << "task " << task;
    for (long f = 0; f <= 3; ++f) {
        char name[64];
        std::snprintf(name, sizeof name, "-out\n`echo injected`';.%02ld.png", f);
        EXPECT_TRUE(clitest::Exists(s.Path(name))) << f;
    }
}
