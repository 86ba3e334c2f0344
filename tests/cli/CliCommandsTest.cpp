// The tonedot program end to end: every command and option through the built executable,
// with the effect library it loads.
#include <algorithm>
#include <cmath>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "CliRunner.h"
#include "TonedotVersion.h"
#include "cli/ExitCodes.h"

using namespace clitest;
using tonedot::cli::Depth;
using tonedot::cli::Picture;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Pixels (any channel, in bytes of the file) that differ.
long DifferentPixels(const Picture& a, const Picture& b) {
    EXPECT_EQ(a.Width(), b.Width());
    EXPECT_EQ(a.Height(), b.Height());
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.GetDepth() != b.GetDepth()) return -1;
    long n = 0;
    const int bpp = a.GetDepth() == Depth::Bits8 ? 4 : (a.GetDepth() == Depth::Bits16 ? 8 : 16);
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (std::memcmp(a.Data() + (static_cast<size_t>(y) * a.Width() + x) * bpp,
                            b.Data() + (static_cast<size_t>(y) * b.Width() + x) * bpp, bpp) != 0)
                ++n;
    return n;
}

}  // namespace

TEST(CliHelp, EveryCommandHasHelpAndTheProgramListsThem) {
    CliScratch s;
    const RunResult program = s.Run({"--help"});
    EXPECT_EQ(program.code, 0);
    for (const char* command : {"render", "params", "about", "preset save", "defaults", "demo"})
        EXPECT_TRUE(Contains(program.out, std::string("  ") + command)) << command;
    const std::vector<std::vector<std::string>> helps = {
        {"render", "--help"}, {"params", "-h"}, {"about", "--help"}, {"preset", "save", "--help"},
        {"preset", "--help"}, {"defaults", "--help"}, {"demo", "--help"}, {"help", "render"}};
    for (const auto& args : helps) {
        const RunResult r = s.Run(args);
        EXPECT_EQ(r.code, 0) << args[0];
        EXPECT_TRUE(Contains(r.out, "Usage: tonedot " + (args[0] == "help" ? args[1] : args[0]))) << r.out;
        EXPECT_TRUE(Contains(r.out, "--help")) << args[0];
    }
    EXPECT_TRUE(Contains(s.Run({"render", "--help"}).out, "Exit codes"));
    // No command at all is a usage error, as is an unknown one (with a suggestion).
    EXPECT_EQ(s.Run({}).code, tonedot::cli::kExitUsage);
    const RunResult unknown = s.Run({"rendr", "in.png"});
    EXPECT_EQ(unknown.code, tonedot::cli::kExitUsage);
    EXPECT_TRUE(Contains(unknown.err, "Did you mean \"render\"")) << unknown.err;
}

TEST(CliInfo, AboutAndParamsComeFromTheEffect) {
    CliScratch s;
    const RunResult about = s.Run({"about"});
    EXPECT_EQ(about.code, 0) << about.err;
    EXPECT_TRUE(Contains(about.out, "T_Tonedot " TONEDOT_VERSION_TEXT " ")) << about.out;
    EXPECT_FALSE(Contains(about.out, "\r"));

    const RunResult params = s.Run({"params"});
    ASSERT_EQ(params.code, 0) << params.err;
    std::istringstream lines(params.out);
    std::string line;
    int rows = 0;
    while (std::getline(lines, line)) ++rows;
    EXPECT_EQ(rows, 1 + 122);  // heading and every registered parameter
    EXPECT_TRUE(Contains(params.out, "3 Round Square, 4 Cross, 5 Star"));
    // Index 21 is "Random Array" with id 132; index 32 ends the Randomize group.
    EXPECT_TRUE(Contains(params.out, "\n21    132   Random Array ")) << params.out;
    EXPECT_TRUE(Contains(params.out, "(end of Randomize)"));
    EXPECT_TRUE(Contains(params.out, "Custom Map Layer 1       layer          file/self/none   self"));

    // As the frei0r filter shows them: the preset, the parameters but the 8 group starts and
    // ends, the 4 points twice, the frame rate, the print-screen mode's three, the start frame and
    // the relative sizes.
    const RunResult frei0r = s.Run({"params", "--frei0r"});
    ASSERT_EQ(frei0r.code, 0) << frei0r.err;
    std::istringstream table(frei0r.out);
    rows = 0;
    while (std::getline(table, line)) ++rows;
    EXPECT_EQ(rows, 1 + 1 + 122 - 8 + 4 + 1 + 3 + 2);
    EXPECT_TRUE(Contains(frei0r.out, "\n0      Preset ")) << frei0r.out;
    EXPECT_TRUE(Contains(frei0r.out, "\n11     Center Position X           double  fraction of the frame width"));
    EXPECT_TRUE(Contains(frei0r.out, "Frame Rate                  double  0 (unless set): from the spacing"));
    EXPECT_TRUE(Contains(frei0r.out, "Clear Background            bool    y (1, true): on, n (0, false): off"));
}

TEST(CliRender, DepthFollowsTheInputUnlessGivenAndTheFormatKeepsIt) {
    CliScratch s;
    s.WriteCard("in8.png");
    s.WriteCard("in16.png", 240, 160, Depth::Bits16);
    s.WriteCard("inf.exr", 240, 160, Depth::Float32);
    struct Case {
        std::vector<std::string> args;
        std::string output;
        Depth depth;
        int channels;
    };
    const std::vector<Case> cases = {
        {{"in8.png"}, "a.png", Depth::Bits8, 4},
        {{"in16.png"}, "b.png", Depth::Bits16, 4},
        {{"inf.exr"}, "c.exr", Depth::Float32, 4},
        {{"inf.exr"}, "d.tif", Depth::Float32, 4},
        {{"in8.png", "--depth", "16"}, "e.png", Depth::Bits16, 4},
        {{"in16.png", "--depth", "8"}, "f.tif", Depth::Bits8, 4},
        {{"in8.png"}, "g.jpg", Depth::Bits8, 3},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"render"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"-o", c.output});
        const RunResult r = s.Run(args);
        ASSERT_EQ(r.code, 0) << c.output << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, "wrote " + c.output));
        const tonedot::cli::LoadedImage out = tonedot::cli::ReadImage(s.Path(c.output));
        EXPECT_EQ(out.fileDepth, c.depth) << c.output;
        EXPECT_EQ(out.picture.Width(), 240);
        EXPECT_EQ(out.picture.Height(), 160);
    }
    // The 8-bit and 16-bit renders of the same picture differ only by rounding.
    const Picture a = s.Load("a.png");
    const Picture e = tonedot::cli::ConvertDepth(s.Load("e.png"), Depth::Bits8);
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            worst = std::max(worst, std::abs(a.At<Pixel8>(x, y).red - e.At<Pixel8>(x, y).red));
    EXPECT_LE(worst, 3);
}

TEST(CliRender, ValuesByNameNumberAndEveryFormMeanTheSame) {
    CliScratch s;
    s.WriteCard("in.png");
    auto render = [&](const std::string& out, std::vector<std::string> sets) {
        std::vector<std::string> args = {"render", "in.png", "-o", out, "--quiet"};
        for (const std::string& v : sets) args.insert(args.end(), {"--set", v});
        const RunResult r = s.Run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_TRUE(r.out.empty() && r.err.empty()) << "--quiet prints nothing: " << r.out << r.err;
        return s.Load(out);
    };
    const Picture byName = render("a.png", {"Dot Shape=Star", "Dot Color=#FF0000", "Clear Background=on",
                                            "Dot Rotation=30", "Center Position=120,80"});
    const Picture byNumber = render("b.png", {"dot shape=5", "Dot Color=255, 0, 0", "Clear Background=true",
                                              "Dot Rotation=30deg", "Center Position=50%,50%"});
    EXPECT_EQ(DifferentPixels(byName, byNumber), 0);
    const Picture plain = render("c.png", {});
    EXPECT_GT(DifferentPixels(byName, plain), 1000);
    // Clear Background: outside the dots the output is transparent.
    EXPECT_EQ(byName.At<Pixel8>(0, 0).alpha == 0 || byName.At<Pixel8>(0, 0).red == 255, true);
}

TEST(CliRender, BadInputGivesTheDocumentedErrorAndWritesNothing) {
    CliScratch s;
    s.WriteCard("in.png");
    {
        std::ofstream corrupt(s.Path("corrupt.png"), std::ios::binary);
        corrupt << "\x89PNG\r\n\x1a\n but not really";
    }
    const std::vector<std::string> before = s.Listing();
    struct Case {
        std::vector<std::string> args;
        int code;
        std::vector<std::string> says;
    };
    const std::vector<Case> cases = {
        {{"in.png", "-o", "o.png", "--set", "Dot Sise=5"}, 2, {"unknown parameter \"Dot Sise\"", "\"Dot Size\""}},
        {{"in.png", "-o", "o.png", "--set", "Dot Size=5000"}, 2, {"\"Dot Size\"", "0 to 1000"}},
        {{"in.png", "-o", "o.png", "--set", "Dot Size=ten"}, 2, {"a number from 0 to 1000"}},
        {{"in.png", "-o", "o.png", "--set", "Random Seed=2.5"}, 2, {"a whole number from 0 to 10000"}},
        {{"in.png", "-o", "o.png", "--set", "Dot Shape=Hexagon"}, 2, {"\"Circle\"", "\"Diamond\""}},
        {{"in.png", "-o", "o.png", "--set", "Blend Mode 1=2"}, 2, {"no such choice"}},
        {{"in.png", "-o", "o.png", "--set", "Dot Color=#12345"}, 2, {"#RRGGBB"}},
        {{"in.png", "-o", "o.png", "--set", "Dot Color=1,2,300"}, 2, {"0 to 255"}},
        {{"in.png", "-o", "o.png", "--set", "Center Position=10"}, 2, {"x,y"}},
        {{"in.png", "-o", "o.png", "--set", "Invert Mask=maybe"}, 2, {"on or off"}},
        {{"in.png", "-o", "o.png", "--set", "Dot Size"}, 2, {"NAME=VALUE"}},
        {{"in.png", "-o", "o.png", "--set", "Mask Target Layer=x.png"}, 2, {"--layer"}},
        {{"in.png", "-o", "o.png", "--layer", "Dot Size=x.png"}, 2, {"not a layer"}},
        {{"in.png", "-o", "o.png", "--dot-size", "3"}, 2, {"unknown option \"--dot-size\""}},
        {{"in.png", "-o", "o.png", "--depth", "12"}, 2, {"8, 16 or 32"}},
        {{"in.png", "-o", "o.png", "--downsample", "0,2"}, 2, {"X,Y"}},
        {{"in.png", "-o", "o.png", "--quality", "best"}, 2, {"hi or lo"}},
        {{"in.png", "-o", "o.png", "--path", "fast"}, 2, {"smart or plain"}},
        {{"in.png", "-o", "o.png", "--jobs", "-1"}, 2, {"0 (one per core) to 256"}},
        {{"in.png", "-o", "o.png", "--threads", "-1"}, 2, {"0 (one per core) to 256"}},
        {{"in.png", "-o", "o.png", "--time", "-3"}, 2, {"frame number"}},
        {{"in.png", "-o", "o.png", "--fps", "0"}, 2, {"frames per second"}},
        {{"in.png", "-o", "o.xyz"}, 2, {"unknown image format"}},
        {{"in.png", "-o", "o.png", "--compression", "zip:12"}, 2, {"PNG takes zip[:0-9]"}},
        {{"in.png", "-o", "o.exr", "--compression", "pix"}, 2, {"Did you mean \"piz\""}},
        {{"in.png", "-o", "o.png", "--jpeg-quality", "90"}, 2, {"for JPEG outputs"}},
        {{"in.png", "-o", "o.jpg", "--jpeg-quality", "0"}, 2, {"1 to 100"}},
        {{"in.png"}, 2, {"-o FILE"}},
        {{"in.%04d.png", "-o", "o.png"}, 3, {"--frames"}},
        {{"in.png", "-o", "o.png", "--frames", "1-3"}, 2, {"frame-number field"}},
        {{"in.png", "-o", "o.png", "--frames", "5-2"}, 2, {"FIRST-LAST"}},
        {{"missing.png", "-o", "o.png"}, 3, {"cannot read \"missing.png\""}},
        {{"corrupt.png", "-o", "o.png"}, 3, {"cannot read \"corrupt.png\""}},
        {{"in.png", "-o", "no/such/folder/o.png"}, 3, {"does not exist"}},
        {{"in.png", "-o", "o.png", "--layer", "Custom Map Layer 1=nomap.png"}, 3, {"nomap.png"}},
        {{"in.png", "-o", "o.png", "--preset", "nopreset.ini"}, 3, {"nopreset.ini"}},
        {{"in.png", "-o", "in.png"}, 2, {"never writes over its input"}},
        {{"in.png", "-o", "o.png", "--effect", "/no/such/library.so"}, 4, {"cannot load the effect library"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"render"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = s.Run(args);
        EXPECT_EQ(r.code, c.code) << c.args.back() << ": " << r.err;
        for (const std::string& say : c.says) EXPECT_TRUE(Contains(r.err, say)) << say << " in: " << r.err;
        // The program's own message is the last line (an image library may have spoken first).
        EXPECT_TRUE(Contains("\n" + r.err, "\ntonedot: ")) << r.err;
        EXPECT_EQ(s.Listing(), before) << "something was written for " << c.args.back();
    }
    // The input was never touched.
    EXPECT_EQ(DifferentPixels(s.Load("in.png"), tonedot::cli::MakeTestCard(240, 160, Depth::Bits8)), 0);
}

TEST(CliRender, UnwritableOutputFolderFailsAndLeavesNothing) {
    CliScratch s;
    s.WriteCard("in.png");
    mkdir(s.Path("locked").c_str(), 0555);
    if (access(s.Path("locked").c_str(), W_OK) != 0) {
        const RunResult r = s.Run({"render", "in.png", "-o", "locked/o.png"});
        EXPECT_EQ(r.code, tonedot::cli::kExitIO);
        EXPECT_TRUE(Contains(r.err, "not writable")) << r.err;
        EXPECT_FALSE(Exists(s.Path("locked/o.png")));
    }
    // A folder no one may write in, whatever the user's rights: the temporary file cannot
    // be made, and nothing appears.
    const RunResult proc = s.Run({"render", "in.png", "-o", "/proc/tonedot-out.png"});
    EXPECT_EQ(proc.code, tonedot::cli::kExitIO);
    EXPECT_TRUE(Contains(proc.err, "cannot write \"/proc/tonedot-out.png\"")) << proc.err;
    EXPECT_FALSE(Exists("/proc/tonedot-out.png"));
}

TEST(CliRender, ExistingOutputIsReplacedWholeAndKeepsItsPermissions) {
    CliScratch s;
    s.WriteCard("in.png");
    {
        std::ofstream old(s.Path("o.png"));
        old << "old";
    }
    chmod(s.Path("o.png").c_str(), 0640);
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "o.png"}).code, 0);
    struct stat st;
    ASSERT_EQ(stat(s.Path("o.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(s.Load("o.png").Width(), 240);
    EXPECT_EQ(s.Listing(), (std::vector<std::string>{"in.png", "o.png"}));
}

TEST(CliRender, AlphaOfTheInputIsKeptThroughTheRender) {
    CliScratch s;
    Picture card = tonedot::cli::MakeTestCard(120, 80, Depth::Bits8);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 40; ++x) card.At<Pixel8>(x, y).alpha = 0;  // left third transparent
    tonedot::cli::WriteImage(s.Path("in.png"), card);
    for (const char* out : {"o.png", "o.tif", "o.exr"}) {
        ASSERT_EQ(s.Run({"render", "in.png", "-o", out}).code, 0);
        const Picture o = tonedot::cli::ConvertDepth(s.Load(out), Depth::Bits8);
        // "Mask" Normal: dots only where the input is; the transparent part stays empty.
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 39; ++x) ASSERT_EQ(o.At<Pixel8>(x, y).alpha, 0) << out << " " << x << "," << y;
        EXPECT_EQ(o.At<Pixel8>(100, 70).alpha, 255) << out;
    }
}

TEST(CliRender, TimeRandomIntervalAndRandomArrayBehaveAsInTheHost) {
    CliScratch s;
    s.WriteCard("in.png");
    auto at = [&](const std::string& out, const std::string& time, const std::string& array) {
        const RunResult r = s.Run({"render", "in.png", "-o", out, "--time", time, "--set", "Random Interval=1",
                                   "--set", "Random Array=" + array, "--set", "Size=0.8", "--set", "Distance X=0.4",
                                   "--set", "Random Seed=7"});
        EXPECT_EQ(r.code, 0) << r.err;
        return s.Load(out);
    };
    const Picture t0 = at("t0.png", "0", "0"), t1 = at("t1.png", "1", "0"), t2 = at("t2.png", "2", "0");
    EXPECT_GT(DifferentPixels(t0, t1), 100);
    EXPECT_GT(DifferentPixels(t1, t2), 100);
    // The frame number counts, not the clock: frame 2 is frame 2 at any rate.
    EXPECT_EQ(DifferentPixels(t2, at("t2b.png", "2@30", "0")), 0);
    const RunResult fps = s.Run({"render", "in.png", "-o", "f.png", "--time", "2", "--fps", "29.97", "--set",
                                 "Random Interval=1", "--set", "Size=0.8", "--set", "Distance X=0.4", "--set",
                                 "Random Seed=7"});
    ASSERT_EQ(fps.code, 0) << fps.err;
    EXPECT_EQ(DifferentPixels(t2, s.Load("f.png")), 0);
    // With "Random Array" 2 the patterns cycle: frame 2 looks like frame 0.
    EXPECT_EQ(DifferentPixels(at("a0.png", "0", "2"), at("a2.png", "2", "2")), 0);
    EXPECT_GT(DifferentPixels(at("a1.png", "1", "2"), at("a2b.png", "2", "2")), 100);
}

TEST(CliRender, SequencesInParallelMatchTheSerialRender) {
    CliScratch s;
    for (int f = 3; f <= 7; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "in.%04d.png", f);
        s.WriteCard(name, 160 + f, 100);
    }
    const std::vector<std::string> sets = {"--set", "Random Interval=1", "--set", "Size=0.5", "--set",
                                           "Distance Y=0.3", "--set", "Dot Shape=Cross"};
    std::vector<std::string> serial = {"render", "in.%04d.png", "-o", "s.%04d.png", "--frames", "3-7"};
    serial.insert(serial.end(), sets.begin(), sets.end());
    const RunResult r1 = s.Run(serial);
    ASSERT_EQ(r1.code, 0) << r1.err;
    EXPECT_TRUE(Contains(r1.err, "wrote 5 frames to s.%04d.png"));
    std::vector<std::string> parallel = {"render", "in.%04d.png", "-o", "p.%04d.tif", "--frames", "3-7", "--jobs", "3"};
    parallel.insert(parallel.end(), sets.begin(), sets.end());
    const RunResult r2 = s.Run(parallel);
    ASSERT_EQ(r2.code, 0) << r2.err;
    for (int f = 3; f <= 7; ++f) {
        char a[32], b[32];
        std::snprintf(a, sizeof a, "s.%04d.png", f);
        std::snprintf(b, sizeof b, "p.%04d.tif", f);
        const Picture pa = s.Load(a);
        EXPECT_EQ(pa.Width(), 160 + f);
        EXPECT_EQ(DifferentPixels(pa, s.Load(b)), 0) << f;
    }
    EXPECT_FALSE(Exists(s.Path("s.0002.png")));
    EXPECT_FALSE(Exists(s.Path("s.0008.png")));

    // A still input is rendered at every frame of the range.
    const RunResult still = s.Run({"render", "in.0003.png", "-o", "still.%d.png", "--frames", "0-1", "--set",
                                   "Random Interval=1", "--set", "Size=0.5"});
    ASSERT_EQ(still.code, 0) << still.err;
    EXPECT_GT(DifferentPixels(s.Load("still.0.png"), s.Load("still.1.png")), 10);

    // A missing frame stops the sequence with an input error; nothing of it is written.
    std::remove(s.Path("in.0005.png").c_str());
    const RunResult broken = s.Run({"render", "in.%04d.png", "-o", "x.%04d.png", "--frames", "5-6"});
    EXPECT_EQ(broken.code, tonedot::cli::kExitIO);
    EXPECT_TRUE(Contains(broken.err, "in.0005.png"));
    EXPECT_FALSE(Exists(s.Path("x.0005.png")));
}

TEST(CliRender, DownsamplingScalesTheLayerAndThePointsGivenInFullPixels) {
    CliScratch s;
    s.WriteCard("in.png", 240, 160);
    const std::vector<std::string> look = {"--set", "Dot Size=12", "--set", "Global Rotation=30",
                                           "--set", "Enable Effector 1=on", "--set", "Absolute 1=on",
                                           "--set", "ABS Size 1=2", "--set", "Size 1=60"};
    auto render = [&](const std::string& out, std::vector<std::string> extra) {
        std::vector<std::string> args = {"render", "in.png", "-o", out, "--downsample", "2,2"};
        args.insert(args.end(), look.begin(), look.end());
        args.insert(args.end(), extra.begin(), extra.end());
        const RunResult r = s.Run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        return s.Load(out);
    };
    const Picture pixels = render("a.png", {"--set", "Center Position=60,40", "--set", "Position 1=180,120"});
    const Picture percent = render("b.png", {"--set", "Center Position=25%,25%", "--set", "Position 1=75%,75%"});
    EXPECT_EQ(pixels.Width(), 120);
    EXPECT_EQ(pixels.Height(), 80);
    EXPECT_EQ(DifferentPixels(pixels, percent), 0);
    const Picture elsewhere = render("c.png", {"--set", "Center Position=30,20", "--set", "Position 1=180,120"});
    EXPECT_GT(DifferentPixels(pixels, elsewhere), 50);
    EXPECT_EQ(s.Run({"render", "in.png", "-o", "q.png", "--quality", "lo", "--downsample", "3"}).code, 0);
    EXPECT_EQ(s.Load("q.png").Width(), 80);
}

TEST(CliRender, PlainPathDrawsWhatTheSmartPathDraws) {
    CliScratch s;
    s.WriteCard("in.png");
    for (const char* depth : {"8", "16", "32"}) {
        const std::string a = std::string("smart") + depth + ".tif", b = std::string("plain") + depth + ".tif";
        ASSERT_EQ(s.Run({"render", "in.png", "-o", a, "--depth", depth, "--set", "Dot Shape=Round Square"}).code, 0);
        ASSERT_EQ(s.Run({"render", "in.png", "-o", b, "--depth", depth, "--path", "plain", "--set",
                         "Dot Shape=Round Square"}).code, 0);
        EXPECT_EQ(DifferentPixels(s.Load(a), s.Load(b)), 0) << depth;
    }
}

TEST(CliPresets, SaveReadBackAndRenderTheSame) {
    CliScratch s;
    s.WriteCard("in.png");
    const RunResult save = s.Run({"preset", "save", "look.ini", "--set", "Dot Size=14.5", "--set", "Dot Shape=Diamond",
                                  "--set", "Dot Color=10,200,30", "--set", "Global Rotation=22.5", "--set",
                                  "Random Seed=12", "--set", "Center Dot to Front=on"});
    ASSERT_EQ(save.code, 0) << save.err;
    const std::string text = ReadText(s.Path("look.ini"));
    EXPECT_EQ(text.rfind("[Version=1.5]\nDot Shape=6\nDot Color.r=10\nDot Color.g=200\nDot Color.b=30\n"
                         "Dot Color.a=255\nDot Size=14.500000\n", 0), 0u) << text;
    EXPECT_TRUE(Contains(text, "\nGlobal Rotation=22.500000\n"));
    EXPECT_TRUE(Contains(text, "\nCenter Dot to Front=1\n"));
    EXPECT_FALSE(Contains(text, "Center Position")) << "points are never stored";
    EXPECT_FALSE(Contains(text, "Custom Map Layer")) << "layers are never stored";
    EXPECT_FALSE(Contains(text, "Mask Target Layer")) << "layers are never stored";

    // Saving from the preset gives the same file: every value survives the round trip.
    ASSERT_EQ(s.Run({"preset", "save", "again.ini", "--preset", "look.ini"}).code, 0);
    EXPECT_EQ(ReadText(s.Path("again.ini")), text);

    ASSERT_EQ(s.Run({"render", "in.png", "-o", "a.png", "--preset", "look.ini"}).code, 0);
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "b.png", "--set", "Dot Size=14.5", "--set", "Dot Shape=Diamond",
                     "--set", "Dot Color=#0AC81E", "--set", "Global Rotation=22.5", "--set", "Random Seed=12",
                     "--set", "Center Dot to Front=on"}).code, 0);
    EXPECT_EQ(DifferentPixels(s.Load("a.png"), s.Load("b.png")), 0);
    // --set after --preset wins.
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "c.png", "--preset", "look.ini", "--set", "Dot Size=3"}).code, 0);
    EXPECT_GT(DifferentPixels(s.Load("a.png"), s.Load("c.png")), 100);

    // Hand-written presets: a colour with only red keeps green and blue; keys ignore case.
    {
        std::ofstream f(s.Path("partial.ini"));
        f << "; my look\n[Other]\nDot Size=99\n[version=1.5]\ndot size = 14.5\nDot Color.r=10\n";
    }
    ASSERT_EQ(s.Run({"preset", "save", "p2.ini", "--preset", "partial.ini"}).code, 0);
    const std::string p2 = ReadText(s.Path("p2.ini"));
    EXPECT_TRUE(Contains(p2, "Dot Color.r=10\nDot Color.g=125\nDot Color.b=20\n")) << p2;
    EXPECT_TRUE(Contains(p2, "Dot Size=14.500000\n"));

    struct Bad {
        std::string text, says;
    };
    const std::vector<Bad> bad = {
        {"[Version=1.5]\nDot Sise=3\n", "line 2: unknown key \"Dot Sise\""},
        {"[Version=1.5]\nDot Size=-3\n", "line 2: bad value \"-3\" for \"Dot Size\""},
        {"[Version=1.5]\nDot Color.g=256\n", "0 to 255"},
        {"[Version=1.5]\nDot Shape\n", "KEY=VALUE"},
        {"[Version=1.4]\nDot Size=3\n", "no [Version=1.5] section"},
    };
    for (const Bad& b : bad) {
        {
            std::ofstream f(s.Path("bad.ini"));
            f << b.text;
        }
        const RunResult r = s.Run({"render", "in.png", "-o", "x.png", "--preset", "bad.ini"});
        EXPECT_EQ(r.code, tonedot::cli::kExitUsage) << b.text;
        EXPECT_TRUE(Contains(r.err, b.says)) << r.err;
        EXPECT_FALSE(Exists(s.Path("x.png")));
    }
}

TEST(CliDefaults, StoredThroughTheOptionsDialogUsedByLaterRunsAndCleared) {
    CliScratch s;
    s.WriteCard("in.png");
    const std::string ini = s.Config() + "/TORVA/InkPanel/T_Tonedot.ini";
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "builtin.png"}).code, 0);

    const RunResult save = s.Run({"defaults", "save", "--set", "Dot Size=25", "--set", "Dot Shape=Cross"});
    ASSERT_EQ(save.code, 0) << save.err;
    EXPECT_TRUE(Contains(save.err, ini)) << save.err;
    const std::string stored = ReadText(ini);
    EXPECT_TRUE(Contains(stored, "[Version=1.5]")) << stored;
    EXPECT_TRUE(Contains(stored, "Dot Size=25.000000"));
    EXPECT_TRUE(Contains(stored, "Dot Shape=4"));

    // Later runs start from the stored defaults, unless told not to.
    EXPECT_TRUE(Contains(s.Run({"params"}).out, "Dot Size                 float slider   0 to 1000        25 "));
    EXPECT_TRUE(Contains(s.Run({"params", "--factory-defaults"}).out,
                         "Dot Size                 float slider   0 to 1000        10 "));
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "stored.png"}).code, 0);
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "factory.png", "--factory-defaults"}).code, 0);
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "explicit.png", "--factory-defaults", "--set", "Dot Size=25",
                     "--set", "Dot Shape=Cross"}).code, 0);
    EXPECT_EQ(DifferentPixels(s.Load("stored.png"), s.Load("explicit.png")), 0);
    EXPECT_EQ(DifferentPixels(s.Load("factory.png"), s.Load("builtin.png")), 0);
    // A preset saved now holds the stored values.
    ASSERT_EQ(s.Run({"preset", "save", "p.ini"}).code, 0);
    EXPECT_TRUE(Contains(ReadText(s.Path("p.ini")), "Dot Size=25.000000"));

    EXPECT_EQ(s.Run({"defaults", "reset", "--set", "Dot Size=3"}).code, tonedot::cli::kExitUsage);
    const RunResult reset = s.Run({"defaults", "reset"});
    ASSERT_EQ(reset.code, 0) << reset.err;
    EXPECT_FALSE(Exists(ini));
    EXPECT_FALSE(Exists(s.Config() + "/TORVA")) << "empty folders go too";
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "after.png"}).code, 0);
    EXPECT_EQ(DifferentPixels(s.Load("after.png"), s.Load("builtin.png")), 0);
    const RunResult wrong = s.Run({"defaults", "sav"});
    EXPECT_EQ(wrong.code, tonedot::cli::kExitUsage);
    EXPECT_TRUE(Contains(wrong.err, "Did you mean \"save\""));
}

TEST(CliLayers, LayerParametersFromFilesSelfAndNone) {
    CliScratch s;
    s.WriteCard("in.png");
    // A map: black left half, white right half, at another size than the layer.
    Picture map(Depth::Bits8, 100, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x) {
            const A_u_char v = x < 50 ? 0 : 255;
            map.At<Pixel8>(x, y) = {255, v, v, v};
        }
    tonedot::cli::WriteImage(s.Path("map.png"), map);
    const std::vector<std::string> luminance = {
        "--set", "Enable Effector 1=on", "--set", "Effect Map 1=Use Custom Map", "--set", "Fit to Layer 1=on",
        "--set", "Absolute 1=on", "--set", "ABS Size 1=0", "--set", "Clear Background=on"};
    auto render = [&](const std::string& out, const std::string& layer) {
        std::vector<std::string> args = {"render", "in.png", "-o", out};
        args.insert(args.end(), luminance.begin(), luminance.end());
        if (!layer.empty()) args.insert(args.end(), {"--layer", "Custom Map Layer 1=" + layer});
        const RunResult r = s.Run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        return s.Load(out);
    };
    const Picture fromMap = render("map-out.png", "map.png");
    // Where the map is white the dots shrink to nothing; where it is black they stay.
    long left = 0, right = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x) (x < 120 ? left : right) += fromMap.At<Pixel8>(x, y).alpha;
    EXPECT_GT(left, 1000 * 255);
    EXPECT_EQ(right, 0);
    const Picture fromSelf = render("self-out.png", "self");
    EXPECT_EQ(DifferentPixels(fromSelf, render("default-out.png", "")), 0) << "the default is the layer itself";
    EXPECT_GT(DifferentPixels(fromSelf, fromMap), 100);
    // Without a map image the effector takes no part.
    const Picture none = render("none-out.png", "none");
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "plain.png", "--set", "Clear Background=on"}).code, 0);
    EXPECT_EQ(DifferentPixels(none, s.Load("plain.png")), 0);

    // A mask layer from a file: dots only where the mask is.
    ASSERT_EQ(s.Run({"render", "in.png", "-o", "masked.png", "--set", "Mask=Layer", "--set", "Clear Background=on",
                     "--layer", "Mask Target Layer=map.png"}).code, 0);
    const Picture masked = s.Load("masked.png");
    long maskedLeft = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 60; ++x) maskedLeft += masked.At<Pixel8>(x, y).alpha;
    EXPECT_GT(DifferentPixels(masked, s.Load("plain.png")), 100);
    (void)maskedLeft;
}

TEST(CliSvg, ShapesRasterisedIndependentlyMatchTheRender) {
    if (std::string(TONEDOT_RSVG_CONVERT).empty()) GTEST_SKIP() << "rsvg-convert is not installed";
    CliScratch s;
    s.WriteCard("in.png", 200, 140);
    const char* shapes[] = {"Circle", "Square", "Round Square", "Cross", "Star", "Diamond"};
    for (const char* shape : shapes) {
        const RunResult r = s.Run({"render", "in.png", "-o", "r.png", "--svg", "d.svg", "--set",
                                   std::string("Dot Shape=") + shape, "--set", "Dot Size=17", "--set",
                                   "Dot Aspect=-30", "--set", "Global Rotation=17", "--set", "Dot Opacity=80",
                                   "--set", "Rotation=0.2", "--set", "Distance X=0.2", "--set", "Center Dot to Front=on",
                                   "--set", "Clear Background=on", "--set", "Mask=None", "--set",
                                   "Enable Effector 1=on", "--set", "Effect Map 1=Use Custom Map", "--set",
                                   "Fit to Layer 1=on", "--set", "Pick Source Color 1=on"});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_TRUE(Contains(ReadText(s.Path("d.svg")), "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200\" height=\"140\""));
        const std::string rsvg = std::string(TONEDOT_RSVG_CONVERT) + " " + Quote(s.Path("d.svg")) + " -o " +
                                 Quote(s.Path("v.png"));
        ASSERT_EQ(std::system(rsvg.c_str()), 0) << shape;
        const Picture raster = s.Load("r.png");
        const Picture vector = s.Load("v.png");
        ASSERT_EQ(vector.Width(), raster.Width());
        ASSERT_EQ(vector.Height(), raster.Height());
        double sum = 0;
        int worst = 0, colourWorst = 0;
        for (int y = 0; y < raster.Height(); ++y) {
            for (int x = 0; x < raster.Width(); ++x) {
                const Pixel8& a = raster.At<Pixel8>(x, y);
                const Pixel8& b = vector.At<Pixel8>(x, y);
                const int d = std::abs(a.alpha - b.alpha);
                sum += d;
                worst = std::max(worst, d);
                if (a.alpha >= 200 && b.alpha >= 200)  // inside a dot in both: the same colour
                    colourWorst = std::max({colourWorst, std::abs(a.red - b.red), std::abs(a.green - b.green),
                                            std::abs(a.blue - b.blue)});
            }
        }
        // Edges differ by anti-aliasing only: no pixel is inside a dot in one and outside in
        // the other, and the coverage agrees on average.
        EXPECT_LT(worst, 128) << shape;
        EXPECT_LT(sum / (raster.Width() * raster.Height()), 2.0) << shape;
        EXPECT_LE(colourWorst, 40) << shape;
    }
}

// True when the process has a handler of its own for `signal` (its SigCgt mask).
static bool CatchesSignal(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

TEST(CliInterrupt, CtrlCCancelsThroughTheProgressCallbackAndWritesNothing) {
    CliScratch s;
    s.WriteCard("in.png", 1200, 800);
    // Many one-pixel dots over many frames: long enough to be interrupted mid-frame.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(s.Dir().c_str()) != 0) _exit(99);
        setenv("XDG_CONFIG_HOME", s.Config().c_str(), 1);
        setenv("TONEDOT_EFFECT", TONEDOT_EFFECT_PATH, 1);
        if (!std::freopen("err.txt", "w", stderr)) _exit(98);
        signal(SIGINT, SIG_DFL);
        execl(TONEDOT_CLI_PATH, TONEDOT_CLI_PATH, "render", "in.png", "-o", "out.%03d.png", "--frames", "1-400",
              "--set", "Dot Size=1", "--set", "Dot Distance X=0", "--set", "Dot Distance Y=0", "--jobs", "2",
              static_cast<char*>(nullptr));
        _exit(97);
    }
    // Ctrl-C once the program catches it (on a busy machine starting up can take seconds),
    // and then well into the frames.
    for (int i = 0; i < 600 && !CatchesSignal(pid, SIGINT); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    kill(pid, SIGINT);
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 1200 && (done = waitpid(pid, &status, WNOHANG)) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "the render did not stop within a minute of Ctrl-C";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), tonedot::cli::kExitCancelled);
    EXPECT_TRUE(Contains(ReadText(s.Path("err.txt")), "tonedot: interrupted")) << ReadText(s.Path("err.txt"));
    int frames = 0;
    for (const std::string& name : s.Listing()) {
        EXPECT_EQ(name.find(".tonedot-"), std::string::npos) << "temporary file left: " << name;
        if (name.rfind("out.", 0) == 0) {
            ++frames;
            EXPECT_NO_THROW(tonedot::cli::ReadImage(s.Path(name))) << name;
        }
    }
    EXPECT_LT(frames, 400);
}

TEST(CliProgress, BarOnRequestQuietOtherwiseWhenNotATerminal) {
    CliScratch s;
    s.WriteCard("in.%d.png");
    std::rename(s.Path("in.%d.png").c_str(), s.Path("in.1.png").c_str());
    s.WriteCard("in.2.png");
    const RunResult shown = s.Run({"render", "in.%d.png", "-o", "o.%d.png", "--frames", "1-2", "--progress"});
    ASSERT_EQ(shown.code, 0) << shown.err;
    EXPECT_TRUE(Contains(shown.err, "frame 1/2")) << shown.err;
    EXPECT_TRUE(Contains(shown.err, "100%")) << shown.err;
    const RunResult silent = s.Run({"render", "in.%d.png", "-o", "o.%d.png", "--frames", "1-2"});
    ASSERT_EQ(silent.code, 0);
    EXPECT_FALSE(Contains(silent.err, "frame 1/2") || Contains(silent.err, "\r")) << silent.err;
}

TEST(CliDemo, RendersEveryLookIntoTheFolderAndSaysWhere) {
    CliScratch s;
    const RunResult r = s.Run({"demo", "looks/here", "--size", "160x100"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Contains(r.err, "wrote 11 images to " + s.Path("looks/here"))) << r.err;
    const char* files[] = {"00-test-card.png", "01-dots-over-source.png", "02-shape-circle.png",
                           "03-shape-square.png", "04-shape-round-square.png", "05-shape-cross.png",
                           "06-shape-star.png", "07-shape-diamond.png", "08-luminance-halftone.png",
                           "09-radial-effector.png", "10-masked.png"};
    const Picture card = s.Load("looks/here/00-test-card.png");
    for (const char* f : files) {
        const Picture p = s.Load(std::string("looks/here/") + f);
        EXPECT_EQ(p.Width(), 160) << f;
        if (std::string(f) != "00-test-card.png") {
            EXPECT_GT(DifferentPixels(p, card), 100) << f;
        }
    }
    EXPECT_EQ(s.Run({"demo", "x", "--size", "12x5"}).code, tonedot::cli::kExitUsage);
}
