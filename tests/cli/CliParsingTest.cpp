// The command line's own parts: names, options, values, patterns, pictures, image files,
// presets and atomic outputs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "CliRunner.h"
#include "cli/AtomicFile.h"
#include "session/ClosestNames.h"
#include "cli/CommandLine.h"
#include "cli/ExitCodes.h"
#include "cli/FrameSequence.h"
#include "cli/ImageFile.h"
#include "session/ParamValue.h"
#include "session/Presets.h"
#include "cli/RenderCommand.h"
#include "cli/RenderPlan.h"

using namespace tonedot::cli;
using clitest::CliScratch;

namespace {

// The usage error's text, or "" when none was thrown.
template <class F>
std::string UsageText(F&& f) {
    try {
        f();
    } catch (const CliError& e) {
        EXPECT_EQ(e.Code(), kExitUsage) << e.what();
        return e.what();
    } catch (const tonedot::session::Error& e) {  // as the command line reports it
        EXPECT_EQ(ToCliError(e).Code(), kExitUsage) << e.what();
        return e.what();
    }
    return "";
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

PF_ParamDef Def(PF_ParamType type, const char* name, A_long id) {
    PF_ParamDef d;
    std::memset(&d, 0, sizeof d);
    d.param_type = type;
    std::snprintf(d.name, sizeof d.name, "%s", name);
    d.uu.id = id;
    return d;
}

const char kBlendChoices[] = "Normal|(-|Add|Substract";

// A small parameter list of every kind, as the host records it at registration.
RegisteredParams SampleParams() {
    std::vector<PF_ParamDef> defs;
    defs.push_back(Def(PF_Param_LAYER, "", 0));
    PF_ParamDef blend = Def(PF_Param_POPUP, "Blend Mode", 62);
    blend.u.pd.value = 1;
    blend.u.pd.num_choices = 4;
    blend.u.pd.u.namesptr = kBlendChoices;
    defs.push_back(blend);
    PF_ParamDef size = Def(PF_Param_FLOAT_SLIDER, "Dot Size", 3);
    size.u.fs_d.value = 10;
    size.u.fs_d.valid_min = 0;
    size.u.fs_d.valid_max = 1000;
    defs.push_back(size);
    PF_ParamDef opacity = Def(PF_Param_FLOAT_SLIDER, "Dot Opacity", 7);
    opacity.u.fs_d.value = 100;
    opacity.u.fs_d.valid_min = 0;
    opacity.u.fs_d.valid_max = 100;
    opacity.u.fs_d.display_flags = PF_ValueDisplayFlag_PERCENT;
    defs.push_back(opacity);
    PF_ParamDef seed = Def(PF_Param_SLIDER, "Random Seed", 21);
    seed.u.sd.valid_min = 0;
    seed.u.sd.valid_max = 10000;
    defs.push_back(seed);
    PF_ParamDef angle = Def(PF_Param_ANGLE, "Dot Rotation", 5);
    angle.u.ad.value = 45 << 16;
    defs.push_back(angle);
    defs.push_back(Def(PF_Param_GROUP_START, "Randomize", 18));
    PF_ParamDef color = Def(PF_Param_COLOR, "Dot Color", 2);
    color.u.cd.value = {255, 255, 125, 20};
    defs.push_back(color);
    PF_ParamDef point = Def(PF_Param_POINT, "Center Position", 11);
    point.u.td.x_value = 50 << 16;
    point.u.td.y_value = 25 << 16;
    defs.push_back(point);
    defs.push_back(Def(PF_Param_CHECKBOX, "Invert Mask", 16));
    defs.push_back(Def(PF_Param_GROUP_END, "", 19));
    PF_ParamDef layer = Def(PF_Param_LAYER, "Custom Map Layer 1", 45);
    layer.u.ld.dephault = PF_LayerDefault_MYSELF;
    defs.push_back(layer);
    return RegisteredParams(defs);
}

}  // namespace

TEST(ClosestNames, TyposCaseAndPartsFindTheNameButShortNamesDoNotCrowdIn) {
    const std::vector<std::string> names = {"Dot Size", "Dot Shape", "S", "Size 1", "Random Seed", "Dot Color"};
    EXPECT_EQ(NameDistance("Dot Sise", "dot size"), 1u);
    EXPECT_EQ(NameDistance("Dto Size", "Dot Size"), 1u);  // swapped neighbours count once
    const std::vector<std::string> near = ClosestNames("Dot Sise", names);
    ASSERT_FALSE(near.empty());
    EXPECT_EQ(near.front(), "Dot Size");
    for (const std::string& n : near) EXPECT_NE(n, "S");
    EXPECT_EQ(ClosestNames("seed", names).front(), "Random Seed");
    EXPECT_TRUE(ClosestNames("Hexagon", names).empty());
    EXPECT_EQ(DidYouMean("Dot Colour", names), " Did you mean \"Dot Color\"?");
    EXPECT_EQ(DidYouMean("zzzzzz", names), "");
}

TEST(CommandLineParse, OptionFormsRepeatsAndErrors) {
    CommandDef command;
    command.name = "render";
    command.usage = "INPUT";
    command.minArguments = command.maxArguments = 1;
    command.options = {{"output", 'o', "FILE", "out", false}, {"set", 's', "NAME=VALUE", "set", true},
                    {"quiet", 0, "", "quiet", false}};
    const ParsedArgs a = ParseCommandLine(command, {"-oout.png", "in.png", "--set=A=1", "-s", "B=2", "--quiet"});
    EXPECT_EQ(a.Arguments(), std::vector<std::string>{"in.png"});
    EXPECT_EQ(a.Value("output"), std::optional<std::string>("out.png"));
    EXPECT_EQ(a.All("set"), (std::vector<std::string>{"A=1", "B=2"}));
    EXPECT_TRUE(a.Has("quiet"));
    // "--" ends the options: a file may start with a dash.
    EXPECT_EQ(ParseCommandLine(command, {"--", "-odd.png"}).Arguments(), std::vector<std::string>{"-odd.png"});
    EXPECT_TRUE(ParseCommandLine(command, {"--bogus", "-h"}).HelpWanted());

    EXPECT_TRUE(Has(UsageText([&] { ParseCommandLine(command, {"in.png", "--ouput", "x"}); }), "Did you mean \"--output\""));
    EXPECT_TRUE(Has(UsageText([&] { ParseCommandLine(command, {"in.png", "-o"}); }), "--output needs a value"));
    EXPECT_TRUE(Has(UsageText([&] { ParseCommandLine(command, {"in.png", "-o", "a", "-o", "b"}); }), "only once"));
    EXPECT_TRUE(Has(UsageText([&] { ParseCommandLine(command, {"in.png", "--quiet=yes"}); }), "takes no value"));
    EXPECT_TRUE(Has(UsageText([&] { ParseCommandLine(command, {}); }), "missing argument"));
    EXPECT_TRUE(Has(UsageText([&] { ParseCommandLine(command, {"a", "b"}); }), "unexpected argument \"b\""));
    const std::string help = HelpText(command);
    EXPECT_TRUE(Has(help, "Usage: tonedot render INPUT"));
    EXPECT_TRUE(Has(help, "-o, --output FILE"));
    EXPECT_TRUE(Has(help, "(may be repeated)"));
    EXPECT_TRUE(Has(help, "-h, --help"));
}

TEST(ParamValueParse, EveryKindAcceptsItsFormsAndNamesItsRangeOtherwise) {
    const RegisteredParams params = SampleParams();
    const ParamInfo& blend = params.Require("blend mode");
    EXPECT_EQ(ParseValue(blend, "substract").integer, 4);
    EXPECT_EQ(ParseValue(blend, " 3 ").integer, 3);
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(blend, "2"); }), "1 \"Normal\", 3 \"Add\", 4 \"Substract\""));
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(blend, "(-"); }), "no such choice"));
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(blend, "Ad"); }), "Did you mean \"Add\""));

    const ParamInfo& size = params.Require("Dot Size");
    EXPECT_DOUBLE_EQ(ParseValue(size, "12.5").number, 12.5);
    EXPECT_DOUBLE_EQ(ParseValue(size, "+1e2").number, 100);
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(size, "1001"); }), "the valid range is 0 to 1000"));
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(size, "nan"); }), "a number from 0 to 1000"));
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(size, "0x10"); }), "a number"));
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(size, "50%"); }), "a number"));
    EXPECT_DOUBLE_EQ(ParseValue(params.Require("Dot Opacity"), "50%").number, 50);
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(params.Require("Dot Opacity"), "101"); }), "0 to 100 (percent)"));

    const ParamInfo& seed = params.Require("Random Seed");
    EXPECT_EQ(ParseValue(seed, "10000").integer, 10000);
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(seed, "1.5"); }), "a whole number from 0 to 10000"));
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(seed, "-1"); }), "0 to 10000"));

    const ParamInfo& angle = params.Require("Dot Rotation");
    EXPECT_DOUBLE_EQ(ParseValue(angle, "-90deg").number, -90);
    EXPECT_EQ(ToHostDef(angle, ParseValue(angle, "22.5"), 100, 100).u.ad.value, 22 * 65536 + 32768);
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(angle, "40000"); }), "-32768 to 32767.999985"));  // what 16.16 holds

    const ParamInfo& color = params.Require("Dot Color");
    const PF_Pixel hex = ParseValue(color, "#0aC81e").color;
    EXPECT_EQ(hex.alpha, 255);
    EXPECT_EQ(hex.red, 10);
    EXPECT_EQ(hex.green, 200);
    EXPECT_EQ(hex.blue, 30);
    const PF_Pixel triple = ParseValue(color, "10, 200,30").color;
    EXPECT_EQ(std::memcmp(&hex, &triple, sizeof hex), 0);
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(color, "#12345G"); }), "#RRGGBB"));
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(color, "1,2"); }), "r,g,b"));
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(color, "1,2,3,4"); }), "r,g,b"));

    const ParamInfo& point = params.Require("Center Position");
    const ParamValue mixed = ParseValue(point, "25%, 40px");
    const PF_ParamDef def = ToHostDef(point, mixed, 200, 100);
    EXPECT_EQ(def.u.td.x_value, 50 << 16);
    EXPECT_EQ(def.u.td.y_value, 40 << 16);
    // The registered value is percent of the layer.
    EXPECT_EQ(ToHostDef(point, RegisteredValue(point), 200, 100).u.td.y_value, 25 << 16);
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(point, "1,2,3"); }), "x,y"));
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(point, "40000,2"); }), "-32767 to 32767"));

    const ParamInfo& box = params.Require("Invert Mask");
    for (const char* on : {"on", "ON", "true", "yes", "1"}) EXPECT_EQ(ParseValue(box, on).integer, 1) << on;
    for (const char* off : {"off", "false", "no", "0"}) EXPECT_EQ(ParseValue(box, off).integer, 0) << off;
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(box, "2"); }), "on or off"));

    const ParamInfo& layer = params.Require("Custom Map Layer 1");
    EXPECT_EQ(RegisteredValue(layer).layer, LayerChoice::Self);
    EXPECT_EQ(ParseLayerValue(layer, "NONE").layer, LayerChoice::None);
    EXPECT_EQ(ParseLayerValue(layer, "map.%04d.png").layerFile, "map.%04d.png");
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(layer, "map.png"); }), "--layer"));
    EXPECT_TRUE(Has(UsageText([&] { ParseLayerValue(size, "map.png"); }), "--set"));
    EXPECT_TRUE(Has(UsageText([&] { ParseValue(params.Require("Randomize"), "1"); }), "takes no value"));
    EXPECT_TRUE(Has(UsageText([&] { params.Require("Dot Sise"); }), "\"Dot Size\""));
}

TEST(ParamValueParse, FormattedValuesReadBackUnchanged) {
    const RegisteredParams params = SampleParams();
    const std::vector<std::pair<std::string, std::string>> values = {
        {"Blend Mode", "Add"}, {"Dot Size", "0.125"}, {"Random Seed", "77"}, {"Dot Rotation", "-12.5"},
        {"Dot Color", "#0AC81E"}, {"Center Position", "12.5%,40"}, {"Invert Mask", "on"}};
    for (const auto& v : values) {
        const ParamInfo& info = params.Require(v.first);
        const ParamValue parsed = ParseValue(info, v.second);
        EXPECT_EQ(FormatValue(info, parsed), v.second) << v.first;
        const PF_ParamDef a = ToHostDef(info, parsed, 640, 480);
        const PF_ParamDef b = ToHostDef(info, ParseValue(info, FormatValue(info, parsed)), 640, 480);
        EXPECT_EQ(std::memcmp(&a.u, &b.u, sizeof a.u), 0) << v.first;
    }
    EXPECT_EQ(FormatNumber(-0.0000001), "0");
    EXPECT_EQ(FormatNumber(2.5), "2.5");
}

TEST(FrameSequences, PatternsRangesAndRates) {
    EXPECT_EQ(FramePattern("in.%04d.png").Expand(7), "in.0007.png");
    EXPECT_EQ(FramePattern("in.%d.png").Expand(12345), "in.12345.png");
    EXPECT_EQ(FramePattern("100%%.%02d.png").Expand(3), "100%.03.png");
    EXPECT_FALSE(FramePattern("100%%.png").HasField());
    EXPECT_EQ(FramePattern("100%%.png").Expand(3), "100%.png");
    EXPECT_TRUE(Has(UsageText([] { FramePattern("in.%4d.png"); }), "%0Nd"));
    EXPECT_TRUE(Has(UsageText([] { FramePattern("in.%s.png"); }), "%0Nd"));
    EXPECT_TRUE(Has(UsageText([] { FramePattern("a%d.%d.png"); }), "more than one"));

    // Other tools' padding: # is four digits, @ one each; a still name keeps every character.
    EXPECT_EQ(FramePattern("in.#.png").Expand(7), "in.0007.png");
    EXPECT_EQ(FramePattern("50%%.@@@.png").Expand(7), "50%.007.png");
    EXPECT_EQ(FramePattern::Literal("50%.#.png").Expand(7), "50%.#.png");
    EXPECT_TRUE(Has(UsageText([] { FramePattern("in.1-10#.png"); }), "--frames"));

    const std::vector<std::pair<std::string, std::vector<long>>> lists = {
        {"3-7", {3, 4, 5, 6, 7}}, {"9", {9}}, {"1-10x2,15", {1, 3, 5, 7, 9, 15}}, {"8,2-3", {8, 2, 3}}};
    for (const auto& [text, frames] : lists) EXPECT_EQ(ParseFrameList(text), frames) << text;
    for (const char* bad : {"7-3", "-3", "1-", "a-b", "1.5-2", "", "1-5x0", "1,,2", "1-3,2", "1-9x2x2"})
        EXPECT_TRUE(Has(UsageText([&] { ParseFrameList(bad); }), "FIRST-LAST")) << bad;
    EXPECT_TRUE(Has(UsageText([] { ParseFrameList("0-999999999"); }), "too many frames"));

    A_u_long scale = 0;
    A_long step = 0;
    ParseFrameRate("24", scale, step);
    EXPECT_EQ(scale, 24u);
    EXPECT_EQ(step, 1);
    ParseFrameRate("30000/1001", scale, step);
    EXPECT_EQ(scale, 30000u);
    EXPECT_EQ(step, 1001);
    ParseFrameRate("29.97", scale, step);
    EXPECT_EQ(scale, 29970u);
    EXPECT_EQ(step, 1000);
    for (const char* bad : {"0", "-24", "abc", "1/0", "5000"})
        EXPECT_TRUE(Has(UsageText([&] { ParseFrameRate(bad, scale, step); }), "frames per second")) << bad;
}

TEST(Pictures, DepthConversionAndDownsamplingKeepColourAndAlpha) {
    Picture p8(Depth::Bits8, 3, 1);
    p8.At<Pixel8>(0, 0) = {255, 255, 128, 0};
    p8.At<Pixel8>(1, 0) = {0, 1, 2, 3};
    p8.At<Pixel8>(2, 0) = {128, 10, 20, 30};
    const Picture p16 = ConvertDepth(p8, Depth::Bits16);
    EXPECT_EQ(p16.At<Pixel16>(0, 0).alpha, 32768);
    EXPECT_EQ(p16.At<Pixel16>(0, 0).green, 16448);  // 128 / 255 * 32768, rounded
    EXPECT_TRUE(ConvertDepth(p16, Depth::Bits8) == p8);
    EXPECT_TRUE(ConvertDepth(ConvertDepth(p8, Depth::Float32), Depth::Bits8) == p8);

    // A transparent pixel's colour does not bleed into the mean.
    Picture four(Depth::Bits8, 4, 2);
    four.At<Pixel8>(0, 0) = {255, 200, 100, 0};
    four.At<Pixel8>(1, 0) = {0, 0, 255, 255};
    four.At<Pixel8>(0, 1) = {255, 200, 100, 0};
    four.At<Pixel8>(1, 1) = {255, 200, 100, 0};
    const Picture half = Downsample(four, 2, 2);
    EXPECT_EQ(half.Width(), 2);
    EXPECT_EQ(half.Height(), 1);
    EXPECT_EQ(half.At<Pixel8>(0, 0).alpha, 191);
    EXPECT_EQ(half.At<Pixel8>(0, 0).red, 200);
    EXPECT_EQ(half.At<Pixel8>(0, 0).blue, 0);
    EXPECT_EQ(half.At<Pixel8>(1, 0).alpha, 0);
    EXPECT_EQ(Downsample(Picture(Depth::Bits8, 5, 3), 2, 2).Width(), 3);  // trunc(2.5 + 0.5)
    EXPECT_EQ(Downsample(Picture(Depth::Bits8, 5, 3), 2, 2).Height(), 2);
}

TEST(ImageFiles, EveryDepthAndFormatReadsBackWhatWasWritten) {
    CliScratch s;
    Picture p16(Depth::Bits16, 64, 3);
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 3; ++y) {
            const A_u_short v = static_cast<A_u_short>(x * 512 + y);
            p16.At<Pixel16>(x, y) = {static_cast<A_u_short>(32768 - x), v, static_cast<A_u_short>(32768 - v), 7};
        }
    p16.At<Pixel16>(0, 0) = {0, 32768, 0, 32768};
    for (const char* name : {"a.png", "a.tif"}) {
        WriteImage(s.Path(name), p16);
        const LoadedImage back = ReadImage(s.Path(name));
        EXPECT_EQ(back.fileDepth, Depth::Bits16) << name;
        EXPECT_TRUE(back.picture == p16) << name << ": the host's 0..32768 survive 0..65535 exactly";
    }

    // Straight 8-bit colour stays straight, also under partial alpha.
    Picture p8(Depth::Bits8, 2, 1);
    p8.At<Pixel8>(0, 0) = {10, 200, 100, 50};
    p8.At<Pixel8>(1, 0) = {255, 1, 2, 3};
    WriteImage(s.Path("b.png"), p8);
    EXPECT_TRUE(ReadImage(s.Path("b.png")).picture == p8);

    // OpenEXR holds premultiplied float colour; it comes back straight.
    Picture pf(Depth::Float32, 1, 1);
    pf.At<Pixel32>(0, 0) = {0.5f, 0.8f, 0.25f, 1.0f};
    WriteImage(s.Path("c.exr"), pf);
    const LoadedImage exr = ReadImage(s.Path("c.exr"));
    EXPECT_EQ(exr.fileDepth, Depth::Float32);
    EXPECT_NEAR(exr.picture.At<Pixel32>(0, 0).red, 0.8f, 1e-3);
    EXPECT_NEAR(exr.picture.At<Pixel32>(0, 0).alpha, 0.5f, 1e-3);
    // Read in another depth on request.
    EXPECT_EQ(ReadImage(s.Path("c.exr"), Depth::Bits8).picture.At<Pixel8>(0, 0).green, 64);

    // JPEG has no alpha: the picture comes back opaque.
    WriteImage(s.Path("d.jpg"), p8);
    EXPECT_EQ(ReadImage(s.Path("d.jpg")).picture.At<Pixel8>(0, 0).alpha, 255);

    EXPECT_TRUE(Has(UsageText([&] { CheckWritableFormat("x.bogus"); }), "unknown image format"));
    EXPECT_TRUE(Has(UsageText([&] { CheckWritableFormat("noextension"); }), "no extension"));
    try {
        ReadImage(s.Path("nothing.png"));
        ADD_FAILURE() << "a missing file was read";
    } catch (const CliError& e) {
        EXPECT_EQ(e.Code(), kExitIO);
    }
}

TEST(AtomicOutputs, TheTargetAppearsOnlyOnCommit) {
    CliScratch s;
    std::string temp;
    {
        AtomicFile file(s.Path("out.png"));
        temp = file.TempPath();
        EXPECT_EQ(temp.substr(temp.size() - 4), ".png");
        EXPECT_TRUE(clitest::Exists(temp));
    }
    EXPECT_FALSE(clitest::Exists(temp));
    EXPECT_FALSE(clitest::Exists(s.Path("out.png")));
    WriteTextFileAtomically(s.Path("t.txt"), "hello");
    EXPECT_EQ(clitest::ReadText(s.Path("t.txt")), "hello");
    EXPECT_EQ(s.Listing(), std::vector<std::string>{"t.txt"});
    try {
        AtomicFile file(s.Path("missing/out.png"));
        ADD_FAILURE() << "a temporary file was made in a missing folder";
    } catch (const CliError& e) {
        EXPECT_EQ(e.Code(), kExitIO);
    }
}

TEST(PresetFiles, TextReadsBackToTheSameSettings) {
    CliScratch s;
    const RegisteredParams params = SampleParams();
    ParamSettings settings;
    settings[params.Require("Dot Size").index] = ParseValue(params.Require("Dot Size"), "0.1");
    settings[params.Require("Dot Color").index] = ParseValue(params.Require("Dot Color"), "1,2,3");
    settings[params.Require("Blend Mode").index] = ParseValue(params.Require("Blend Mode"), "Substract");
    const std::string text = PresetText(params, settings);
    EXPECT_EQ(text,
              "[Version=1.5]\nBlend Mode=4\nDot Size=0.100000\nDot Opacity=100.000000\nRandom Seed=0\n"
              "Dot Rotation=45.000000\nDot Color.r=1\nDot Color.g=2\nDot Color.b=3\nDot Color.a=255\n"
              "Invert Mask=0\n");
    clitest::CliScratch dir;
    WriteTextFileAtomically(dir.Path("p.ini"), text);
    ParamSettings back;
    ReadPreset(dir.Path("p.ini"), params, back);
    EXPECT_EQ(PresetText(params, back), text);
    EXPECT_EQ(back.count(params.Require("Center Position").index), 0u) << "points are not stored";
}
