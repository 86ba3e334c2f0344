// The settings files tonedot reads, end to end: presets and the stored defaults of any
// size, kind and encoding, values that travel through every file unchanged, and saves that
// run beside other saves and renders.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "cli/ExitCodes.h"

using namespace clitest;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// ASCII `text` as UTF-16 with its byte-order mark.
std::string Utf16(const std::string& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : text) {
        out += bigEndian ? '\0' : c;
        out += bigEndian ? c : '\0';
    }
    return out;
}

// The default `params --json` shows for a parameter.
std::string DefaultOf(const std::string& json, const std::string& name) {
    const std::size_t at = json.find("\"name\": \"" + name + "\"");
    if (at == std::string::npos) return "(no " + name + ")";
    const std::size_t key = json.find("\"default\": ", at);
    const std::size_t end = json.find_first_of(",\n}", key + 11);
    std::string value = json.substr(key + 11, end - key - 11);
    if (!value.empty() && value.front() == '"') value = value.substr(1, value.size() - 2);
    return value;
}

// Where the stored defaults of the scratch folder's user are.
std::string StoredDefaultsPath(const CliScratch& s) {
    const RunResult r = s.Run({"defaults", "save"});
    const std::string head = "stored the defaults in ";
    const std::size_t at = r.err.find(head);
    EXPECT_NE(at, std::string::npos) << r.err;
    if (at == std::string::npos) return s.Path("none");
    const std::size_t start = at + head.size();
    return r.err.substr(start, r.err.find(';', start) - start);
}

}  // namespace

// A preset and the stored defaults are read once, up to 1 MiB, from a file or a pipe, in
// UTF-8 or UTF-16 with its mark; anything else is refused (a preset) or named and passed
// over (the stored defaults), and a UTF-16 file stays UTF-16 when the effect writes it.
TEST(CliSettingsFiles, SizesKindsAndEncodingsOfPresetsAndStoredDefaults) {
    CliScratch s;
    const std::string stored = StoredDefaultsPath(s);
    const std::string ini = "[Version=1.5]\r\nDot Size=7\r\n";
    ASSERT_EQ(mkfifo(s.Path("fifo.ini").c_str(), 0600), 0);
    struct Case {
        const char* name;
        std::string bytes;   // the file's bytes; the preset "fifo.ini" is fed them
        std::string preset;  // --preset: the file, or another path
        int code;            // of preset save --preset
        std::string says;    // part of its message, and of the warning on the stored defaults
    } cases[] = {
        {"plain", ini, "p.ini", 0, ""},
        {"UTF-16LE", Utf16(ini, false), "p.ini", 0, ""},
        {"UTF-16BE", Utf16(ini, true), "p.ini", 0, ""},
        {"UTF-16 cut short", Utf16(ini, false) + "x", "p.ini", tonedot::cli::kExitIO, "not UTF-16"},
        {"20 MB", ini + std::string(20'000'000, '\n'), "p.ini", tonedot::cli::kExitIO, "larger than 1 MiB"},
        {"a pipe", Utf16(ini, true), "fifo.ini", 0, ""},
        {"an endless device", ini, "/dev/zero", tonedot::cli::kExitIO, "not a file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write(s.Path("p.ini"), c.bytes);
        const std::string feed = c.preset == "fifo.ini" ? "(cat p.ini > fifo.ini &) &&" : "";
        const RunResult read = s.Run({"preset", "save", "back.ini", "--quiet", "--preset", c.preset}, feed);
        EXPECT_EQ(read.code, c.code) << read.err;
        if (c.code == 0) {
            EXPECT_TRUE(Contains(ReadText(s.Path("back.ini")), "\nDot Size=7.000000\n"));
        }
        EXPECT_TRUE(Contains(read.err, c.says)) << read.err;
        if (c.preset != "p.ini") continue;

        // The same bytes as the stored defaults.
        Write(stored, c.bytes);
        const RunResult params = s.Run({"params", "--json"});
        EXPECT_EQ(params.code, 0) << params.err;
        EXPECT_EQ(DefaultOf(params.out, "Dot Size"), c.code == 0 ? "7" : "10");
        EXPECT_EQ(Contains(params.err, "warning: the stored defaults"), c.code != 0) << params.err;
        EXPECT_TRUE(Contains(params.err, c.says)) << params.err;
        // A save writes the file whole in its own encoding, or leaves a file it cannot read.
        const RunResult save = s.Run({"defaults", "save", "--set", "Dot Size=8", "--quiet"});
        EXPECT_EQ(save.code, c.code == 0 ? 0 : tonedot::cli::kExitIO) << save.err;
        const std::string after = ReadText(stored);
        if (c.code != 0) {
            EXPECT_EQ(after, c.bytes);
        } else {
            const bool utf16 = c.bytes[0] == '\xFF' || c.bytes[0] == '\xFE';
            EXPECT_EQ(after.substr(0, 2), c.bytes.substr(0, 2));
            EXPECT_TRUE(Contains(after, utf16 ? Utf16("Dot Size=8.000000\r\n", c.bytes[0] == '\xFE').substr(2)
                                              : "Dot Size=8.000000\r\n"));
            EXPECT_EQ(DefaultOf(s.Run({"params", "--json"}).out, "Dot Size"), "8");
        }
    }
    // A pipe in the stored defaults' place, with no one writing to it, is not waited on.
    std::remove(stored.c_str());
    ASSERT_EQ(mkfifo(stored.c_str(), 0600), 0);
    const RunResult params = s.Run({"params", "--json"}, "timeout 60 env");
    EXPECT_EQ(params.code, 0) << params.err;
    EXPECT_EQ(DefaultOf(params.out, "Dot Size"), "10");
    EXPECT_TRUE(Contains(params.err, "not a file")) << params.err;
}

// A value one part accepts, every part accepts and gives back the same: --set, preset save,
// render --preset, the stored defaults (which the effect keeps up to its fixed-point
// limit) and the Slurm script that carries them.
TEST(CliSettingsFiles, ValuesTravelThroughEveryFileUnchanged) {
    CliScratch s;
    s.WriteCard("in.png", 48, 32);
    struct Case {
        const char* set;     // --set
        const char* stored;  // what preset save writes
    } cases[] = {
        {"Dot Rotation=32767.5", "Dot Rotation=32767.500000"},
        {"Dot Rotation=-32767.9999849", "Dot Rotation=-32767.999985"},
        {"Dot Size=12.3456784", "Dot Size=12.345678"},
        {"Dot Aspect=-0.0000001", "Dot Aspect=0.000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        ASSERT_EQ(s.Run({"render", "in.png", "-o", "direct.png", "--quiet", "--set", c.set}).code, 0);
        ASSERT_EQ(s.Run({"preset", "save", "p.ini", "--quiet", "--set", c.set}).code, 0);
        EXPECT_TRUE(Contains(ReadText(s.Path("p.ini")), std::string("\n") + c.stored + "\n"));
        const RunResult again = s.Run({"render", "in.png", "-o", "preset.png", "--quiet", "--preset", "p.ini"});
        ASSERT_EQ(again.code, 0) << again.err;
        EXPECT_EQ(ReadText(s.Path("preset.png")), ReadText(s.Path("direct.png")));
    }
    EXPECT_EQ(s.Run({"render", "in.png", "-o", "x.png", "--set", "Dot Rotation=32768"}).code, tonedot::cli::kExitUsage);

    // Stored defaults beyond the angle's range: the effect holds them at its limit, which
    // every file then carries, the Slurm script too.
    const std::string stored = StoredDefaultsPath(s);
    Write(stored, "[Version=1.5]\nDot Rotation=40000\nGlobal Rotation=-1e9\n");
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "direct.png", "--quiet"}).code, 0);
    ASSERT_EQ(s.Run({"preset", "save", "p.ini", "--quiet"}).code, 0);
    EXPECT_TRUE(Contains(ReadText(s.Path("p.ini")), "\nDot Rotation=32767.999985\n"));
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "preset.png", "--quiet", "--preset", "p.ini"}).code, 0);
    EXPECT_EQ(ReadText(s.Path("preset.png")), ReadText(s.Path("direct.png")));
    s.WriteCard("in.0001.png", 48, 32);
    const std::vector<std::string> render = {"render", "in.%04d.png", "--frames", "1-1", "--quiet",
                                             "--set", "Dot Rotation=32767.5", "--set", "Dot Size=12.3456784", "-o"};
    std::vector<std::string> words = render;
    words.insert(words.end(), {"slurm.%04d.png", "--print-slurm-script", "1"});
    const RunResult script = s.Run(words);
    ASSERT_EQ(script.code, 0) << script.err;
    Write(s.Path("job.sh"), script.out);
    words = render;
    words.push_back("direct.%04d.png");
    ASSERT_EQ(s.Run(words).code, 0);
    const std::string run = "cd " + Quote(s.Dir()) + " && SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=1 bash job.sh > job.log 2>&1";
    EXPECT_EQ(std::system(run.c_str()), 0) << ReadText(s.Path("job.log"));
    EXPECT_TRUE(Exists(s.Path("slurm.0001.png")));
    EXPECT_EQ(ReadText(s.Path("slurm.0001.png")), ReadText(s.Path("direct.0001.png")));
}

// Saves running beside other saves and renders: every file any of them reads, and the file
// left, is one whole save.
TEST(CliSettingsFiles, ConcurrentSavesNeverMix) {
    CliScratch s;
    const std::string stored = StoredDefaultsPath(s);
    const std::vector<std::string> a = {"Dot Size=11", "Dot Opacity=51", "Dot Aspect=5", "Random Seed=101"};
    const std::vector<std::string> b = {"Dot Size=22", "Dot Opacity=62", "Dot Aspect=-5", "Random Seed=202"};
    const auto saveWords = [&](const std::vector<std::string>& values) {
        std::string words = Quote(TONEDOT_CLI_PATH) + " defaults save --quiet";
        for (const std::string& v : values) words += " --set " + Quote(v);
        return words;
    };
    // Which save `text` holds ("a", "b"), or "mixed".
    const auto whole = [&](const std::string& text) {
        std::string found;
        for (const auto* values : {&a, &b}) {
            bool all = true;
            for (const std::string& v : *values) {
                const std::string name = v.substr(0, v.find('='));
                std::string want = v.substr(v.find('=') + 1);
                if (name != "Random Seed") want += ".000000";
                all = all && Contains(text, "\n" + name + "=" + want + "\r\n");
            }
            if (all) found = values == &a ? "a" : "b";
        }
        return found.empty() ? "mixed: " + text : found;
    };
    const std::string env = "cd " + Quote(s.Dir()) + " && export XDG_CONFIG_HOME=" + Quote(s.Config()) +
                            " TONEDOT_EFFECT=" + Quote(TONEDOT_EFFECT_PATH) + " && ";
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        // Two saves and two readers at once; each reader copies the file the effect read
        // through preset save (which starts from the stored defaults).
        const std::string command =
            env + "{ " + saveWords(a) + " & " + saveWords(b) + " & " + Quote(TONEDOT_CLI_PATH) +
            " preset save r1.ini --quiet & " + Quote(TONEDOT_CLI_PATH) + " preset save r2.ini --quiet & wait; }" +
            " > /dev/null 2> log.txt";
        std::system(command.c_str());
        // A save that another replaced right after says so; none fails otherwise.
        const std::string log = ReadText(s.Path("log.txt"));
        std::size_t lines = 0, superseded = 0;
        for (std::size_t at = 0; (at = log.find('\n', at)) != std::string::npos; ++at) ++lines;
        for (std::size_t at = 0; (at = log.find("does not hold the values saved", at)) != std::string::npos; ++at)
            ++superseded;
        EXPECT_EQ(lines, superseded) << log;
        EXPECT_LE(superseded, 1u) << log;
        const std::string file = ReadText(stored);
        EXPECT_NE(whole(file).rfind("mixed", 0), 0u) << whole(file);
        for (const char* read : {"r1.ini", "r2.ini"}) {
            std::string text = ReadText(s.Path(read));
            if (round == 0 && !Contains(text, "Dot Size=11.") && !Contains(text, "Dot Size=22.")) continue;
            // Presets end lines with "\n"; compare as the stored file writes them.
            std::string crlf;
            for (char ch : text) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
            EXPECT_NE(whole(crlf).rfind("mixed", 0), 0u) << read << ": " << text;
        }
    }
}
