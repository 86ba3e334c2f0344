// The tonedot program behaves as other image tools do: --version, help everywhere, "--",
// names taken as they are, padded sequence names and frame lists, and a machine-readable
// parameter list.  End to end through the built executable.
#include <algorithm>

#include <nlohmann/json.hpp>

#include "CliRunner.h"
#include "TonedotVersion.h"
#include "cli/ExitCodes.h"

using namespace clitest;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool SamePixels(const tonedot::cli::Picture& a, const tonedot::cli::Picture& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() && a.GetDepth() == b.GetDepth() &&
           std::equal(a.Data(), a.Data() + a.RowBytes() * static_cast<std::size_t>(a.Height()), b.Data());
}

}  // namespace

TEST(CliConventions, VersionHelpOfHelpAndOnePrefix) {
    CliScratch s;
    // The version is the effect's own, as its About text says.
    const RunResult version = s.Run({"--version"});
    ASSERT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "tonedot " TONEDOT_VERSION_TEXT "\n");
    EXPECT_TRUE(Contains(s.Run({"about"}).out, "T_Tonedot " TONEDOT_VERSION_TEXT " "));

    const RunResult help = s.Run({"help", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(Contains(help.out, "Usage: tonedot help")) << help.out;
    // Every message carries the program's name once.
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"render", "x.png"}, {"render", "--frob"}, {"defaults", "sav"}, {"preset"}}) {
        const RunResult r = s.Run(args);
        EXPECT_EQ(r.code, tonedot::cli::kExitUsage) << args[0];
        EXPECT_EQ(r.err.rfind("tonedot: ", 0), 0u) << r.err;
        EXPECT_FALSE(Contains(r.err.substr(9), "tonedot:") || Contains(r.err, ": tonedot ")) << r.err;
    }
}

TEST(CliConventions, ParamsAsJsonHoldWhatTheTableShows) {
    CliScratch s;
    const RunResult table = s.Run({"params"});
    const RunResult json = s.Run({"params", "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    const nlohmann::json list = nlohmann::json::parse(json.out);
    std::istringstream lines(table.out);
    std::string line;
    std::getline(lines, line);  // heading
    std::size_t row = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(row, list.size());
        const nlohmann::json& p = list[row++];
        char prefix[64];
        std::snprintf(prefix, sizeof prefix, "%-5d %-5d ", p["index"].get<int>(), p["id"].get<int>());
        EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
        if (!p["name"].get<std::string>().empty()) {
            EXPECT_TRUE(Contains(line, p["name"].get<std::string>()));
        }
        EXPECT_TRUE(Contains(line, p["kind"].get<std::string>())) << line;
        if (p.contains("default")) {
            EXPECT_TRUE(Contains(line, " " + p["default"].get<std::string>() + " ")) << line;
        }
        if (p.contains("choices")) {
            for (const auto& c : p["choices"]) {
                EXPECT_TRUE(Contains(line, std::to_string(c["value"].get<int>()) + " " + c["name"].get<std::string>()));
            }
        }
    }
    EXPECT_EQ(row, list.size());
}

TEST(CliConventions, NamesDashesPatternsAndFrameLists) {
    CliScratch s;
    s.WriteCard("card.png", 64, 48);
    ASSERT_EQ(s.Run({"render", "card.png", "-o", "ref.png", "--quiet"}).code, 0);
    const tonedot::cli::Picture ref = s.Load("ref.png");
    // "--" ends the options; a still image's name is taken as it is.
    std::rename(s.Path("card.png").c_str(), s.Path("-50%#@.png").c_str());
    const RunResult dashed = s.Run({"render", "-o", "out 100%.png", "--", "-50%#@.png"});
    ASSERT_EQ(dashed.code, 0) << dashed.err;
    EXPECT_TRUE(SamePixels(s.Load("out 100%.png"), ref));

    // Padded names and a frame list with a step: exactly the frames listed, each the frame
    // a single render at that time gives, whatever the jobs and threads.
    std::rename(s.Path("-50%#@.png").c_str(), s.Path("in.0005.png").c_str());
    for (const char* f : {"in.0001.png", "in.0003.png", "in.0012.png"}) s.WriteCard(f, 64, 48);
    const std::vector<std::string> look = {"--set", "Random Interval=1", "--set", "Size=0.5"};
    std::vector<std::string> seq = {"render", "in.#.png", "-o", "o.@@@.png", "--frames", "1-5x2,12", "--quiet",
                                    "--jobs", "2", "--threads", "2"};
    seq.insert(seq.end(), look.begin(), look.end());
    const RunResult r = s.Run(seq);
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::string> names = s.Listing();
    names.erase(std::remove_if(names.begin(), names.end(), [](const std::string& n) { return n.rfind("o.", 0) != 0; }),
                names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"o.001.png", "o.003.png", "o.005.png", "o.012.png"}));
    std::vector<std::string> single = {"render", "in.0012.png", "-o", "t12.png", "--time", "12", "--quiet", "--threads", "1"};
    single.insert(single.end(), look.begin(), look.end());
    ASSERT_EQ(s.Run(single).code, 0);
    EXPECT_TRUE(SamePixels(s.Load("o.012.png"), s.Load("t12.png")));
    EXPECT_FALSE(SamePixels(s.Load("o.001.png"), s.Load("o.003.png")));
}

TEST(CliConventions, StandardInputAndOutputCarryOneImage) {
    CliScratch s;
    s.WriteCard("card.png", 64, 48);
    ASSERT_EQ(s.Run({"render", "card.png", "-o", "ref.png", "--quiet"}).code, 0);
    const tonedot::cli::Picture ref = s.Load("ref.png");
    { std::ofstream empty(s.Path("empty")); }
    std::ofstream(s.Path("stream"), std::ios::binary) << ReadText(s.Path("card.png")) << ReadText(s.Path("ref.png"));
    struct Case {
        std::vector<std::string> args;
        std::string input;  // standard input
        int code;
        std::string piped;  // the format standard output holds, "" when no image
        std::string says;   // on standard error
    };
    const std::vector<Case> cases = {
        {{"-", "-o", "a.png"}, "card.png", 0, "", "wrote a.png"},
        {{"card.png", "-o", "-"}, "/dev/null", 0, "png", "standard output"},
        {{"-", "-o", "-", "--format", "TIF"}, "card.png", 0, "tif", "standard output"},
        {{"-", "-o", "b.png"}, "empty", 3, "", "standard input"},
        {{"-", "-o", "b.png"}, "stream", 3, "", "holds 2 PNG images"},
        {{"-", "-o", "-", "--frames", "1-2"}, "card.png", 2, "", "one image"},
        {{"card.png", "-o", "d.png", "--format", "tif"}, "/dev/null", 2, "", "-o -"},
        {{"card.png", "-o", "-", "--format", "xyz"}, "/dev/null", 2, "", "bad --format"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"render"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = s.Run(args, "", c.input);
        EXPECT_EQ(r.code, c.code) << c.args[0] << " " << c.args[2] << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, c.says)) << r.err;
        if (!c.piped.empty()) {
            std::ofstream(s.Path("piped." + c.piped), std::ios::binary) << r.out;
            EXPECT_TRUE(SamePixels(s.Load("piped." + c.piped), ref)) << c.piped;
        } else {
            EXPECT_TRUE(r.out.empty()) << "standard output holds only pictures";
        }
    }
    EXPECT_TRUE(SamePixels(s.Load("a.png"), ref));
    for (const char* none : {"b.png", "d.png"}) EXPECT_FALSE(Exists(s.Path(none))) << none;
}
