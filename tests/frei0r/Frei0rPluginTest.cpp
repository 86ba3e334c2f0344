// tonedot.so loaded as a frei0r host loads it: its frames against the effect session's own
// render of the same settings, hostile values and presets, odd frame sizes, and several
// threads on several instances or on one.
#include <atomic>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <sstream>
#include <malloc.h>
#include <limits>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <frei0r.h>
}

#include "TonedotVersion.h"
#include "session/EffectSession.h"
#include "frei0r/Frei0rParams.h"
#include "session/ParamValue.h"
#include "session/Presets.h"
#include "tests/support/ScratchFolder.h"

namespace {

using tonedot::session::Picture;

// The library's entry points, looked up as hosts do.
struct Plugin {
    void* module = dlopen(TONEDOT_FREI0R_PATH, RTLD_NOW | RTLD_LOCAL);
    template <class F> F Get(const char* name) { return reinterpret_cast<F>(dlsym(module, name)); }
    int (*init)() = Get<int (*)()>("f0r_init");
    void (*pluginInfo)(f0r_plugin_info_t*) = Get<void (*)(f0r_plugin_info_t*)>("f0r_get_plugin_info");
    void (*paramInfo)(f0r_param_info_t*, int) = Get<void (*)(f0r_param_info_t*, int)>("f0r_get_param_info");
    f0r_instance_t (*construct)(unsigned, unsigned) = Get<f0r_instance_t (*)(unsigned, unsigned)>("f0r_construct");
    void (*destruct)(f0r_instance_t) = Get<void (*)(f0r_instance_t)>("f0r_destruct");
    void (*set)(f0r_instance_t, f0r_param_t, int) = Get<void (*)(f0r_instance_t, f0r_param_t, int)>("f0r_set_param_value");
    void (*get)(f0r_instance_t, f0r_param_t, int) = Get<void (*)(f0r_instance_t, f0r_param_t, int)>("f0r_get_param_value");
    void (*update)(f0r_instance_t, double, const uint32_t*, uint32_t*) =
        Get<void (*)(f0r_instance_t, double, const uint32_t*, uint32_t*)>("f0r_update");
    Plugin() { init(); }
    ~Plugin() { dlclose(module); }

    int Index(const std::string& name) {
        f0r_plugin_info_t info{};
        pluginInfo(&info);
        for (int i = 0; i < info.num_params; ++i) {
            f0r_param_info_t p{};
            paramInfo(&p, i);
            if (name == p.name) return i;
        }
        ADD_FAILURE() << "no frei0r parameter " << name;
        return -1;
    }
};

Plugin& ThePlugin() {
    static Plugin plugin;
    return plugin;
}

// An instance with its own frame size.
struct Filter {
    Plugin& p = ThePlugin();
    unsigned width, height;
    f0r_instance_t instance;
    Filter(unsigned w, unsigned h) : width(w), height(h), instance(p.construct(w, h)) {}
    ~Filter() { p.destruct(instance); }
    void Set(const std::string& name, double v) { p.set(instance, &v, p.Index(name)); }
    void Set(const std::string& name, f0r_param_color_t c) { p.set(instance, &c, p.Index(name)); }
    void SetPreset(const std::string& path) {
        const char* s = path.c_str();
        p.set(instance, &s, 0);
    }
    double Get(const std::string& name) {
        double v = 0;
        p.get(instance, &v, p.Index(name));
        return v;
    }
    // The output of one frame; the output buffer starts out as garbage.
    std::vector<uint32_t> Render(const std::vector<uint32_t>& in, double time) {
        std::vector<uint32_t> out(in.size(), 0xA5A5A5A5u);
        p.update(instance, time, in.data(), out.data());
        return out;
    }
};

// A picture with something in every channel, alpha included.
std::vector<uint32_t> TestFrame(unsigned w, unsigned h) {
    std::vector<uint32_t> frame(static_cast<std::size_t>(w) * h);
    auto* b = reinterpret_cast<unsigned char*>(frame.data());
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x, b += 4) {
            b[0] = static_cast<unsigned char>(x * 255 / (w > 1 ? w - 1 : 1));
            b[1] = static_cast<unsigned char>(y * 255 / (h > 1 ? h - 1 : 1));
            b[2] = static_cast<unsigned char>((x * 7 + y * 13) & 255);
            b[3] = static_cast<unsigned char>(x < w / 4 ? 128 : 255);
        }
    return frame;
}

// The effect session's render of the frame (the oracle), as RGBA.
std::vector<uint32_t> SessionRender(const std::vector<uint32_t>& in, unsigned w, unsigned h, long frame,
                                    const std::string& preset, const std::map<std::string, std::string>& sets,
                                    const std::map<std::string, std::string>& layers) {
    using namespace tonedot::session;
    EffectSession session(TONEDOT_EFFECT_PATH, false);
    ParamSettings settings;
    if (!preset.empty()) ReadPreset(preset, session.Params(), settings);
    for (const auto& s : sets) settings[session.Params().Require(s.first).index] = ParseValue(session.Params().Require(s.first), s.second);
    for (const auto& l : layers) settings[session.Params().Require(l.first).index] = ParseLayerValue(session.Params().Require(l.first), l.second);
    Picture input(Depth::Bits8, static_cast<int>(w), static_cast<int>(h));
    const auto* b = reinterpret_cast<const unsigned char*>(in.data());
    for (unsigned i = 0; i < w * h; ++i, b += 4)
        input.At<PF_Pixel8>(static_cast<int>(i % w), static_cast<int>(i / w)) = PF_Pixel8{b[3], b[0], b[1], b[2]};
    FrameContext context;
    context.layerWidth = static_cast<int>(w);
    context.layerHeight = static_cast<int>(h);
    SetFrameRate(context, 25);
    context.frame = frame;
    tonedot::Instance& instance = session.NewInstance();
    session.ApplySettings(instance, settings, FrameContext{});
    session.UpdateParamsUI(instance);
    FrameLayers frameLayers;
    frameLayers.input = &input;
    for (const ParamInfo& info : session.Params().All()) {
        if (info.index == 0 || info.kind != ParamKind::Layer) continue;
        auto it = settings.find(info.index);
        if ((it != settings.end() ? it->second : RegisteredValue(info)).layer == LayerChoice::Self)
            frameLayers.layers[info.index] = &input;
    }
    session.ApplySettings(instance, settings, context);
    PreparedFrame prepared = session.Prepare(instance, context, frameLayers);
    const Picture result = session.Render(instance, prepared);
    std::vector<uint32_t> out(in.size());
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    for (unsigned i = 0; i < w * h; ++i, o += 4) {
        const PF_Pixel8& p = result.At<PF_Pixel8>(static_cast<int>(i % w), static_cast<int>(i / w));
        o[0] = p.red, o[1] = p.green, o[2] = p.blue, o[3] = p.alpha;
    }
    return out;
}

TEST(Frei0rPlugin, DescribesItselfAndExportsOnlyTheFrei0rFunctions) {
    Plugin& p = ThePlugin();
    f0r_plugin_info_t info{};
    p.pluginInfo(&info);
    EXPECT_STREQ(info.name, "tonedot");
    EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_FILTER);
    EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
    EXPECT_EQ(info.major_version * 100 + info.minor_version, TONEDOT_VERSION_MAJOR * 100 + TONEDOT_VERSION_MINOR);
    EXPECT_EQ(dlsym(p.module, "EntryPointFunc"), nullptr);

    // Every effect parameter but the groups, a point as two, the preset first, then the
    // rate, the print-screen mode's three, the start frame and the relative sizes.
    tonedot::session::EffectSession session(TONEDOT_EFFECT_PATH, false);
    int expected = 7;
    for (const auto& param : session.Params().All())
        if (param.index > 0) expected += param.kind == tonedot::session::ParamKind::Point ? 2 : (param.Settable() || param.kind == tonedot::session::ParamKind::Layer);
    EXPECT_EQ(info.num_params, expected);
    std::map<std::string, int> types;
    for (int i = 0; i < info.num_params; ++i) {
        f0r_param_info_t param{};
        p.paramInfo(&param, i);
        EXPECT_TRUE(types.emplace(param.name, param.type).second) << "twice: " << param.name;
    }
    EXPECT_EQ(types["Preset"], F0R_PARAM_STRING);
    EXPECT_EQ(types["Dot Shape"], F0R_PARAM_DOUBLE);
    EXPECT_EQ(types["Dot Color"], F0R_PARAM_COLOR);
    EXPECT_EQ(types["Clear Background"], F0R_PARAM_BOOL);
    EXPECT_EQ(types["Mask Target Layer"], F0R_PARAM_BOOL);
    EXPECT_EQ(types["Center Position X"], F0R_PARAM_DOUBLE);
    EXPECT_EQ(types["Frame Rate"], F0R_PARAM_DOUBLE);
    EXPECT_EQ(types.count("Randomize"), 0u);

    // Every double reads back within 0..1, the only range GStreamer and the editors' panels
    // let a user set.
    Filter filter(16, 16);
    for (int i = 0; i < info.num_params; ++i) {
        f0r_param_info_t param{};
        p.paramInfo(&param, i);
        if (param.type != F0R_PARAM_DOUBLE) continue;
        double v = -1;
        p.get(filter.instance, &v, i);
        EXPECT_TRUE(v >= 0 && v <= 1) << param.name << " reads back as " << v;
    }
}

// Each case: the preset, values the host sets, the same settings for the session, the
// frame size and the host's time (seconds here: the test program is no ffmpeg).
struct RenderCase {
    const char* what;
    bool preset;
    std::vector<std::pair<std::string, double>> hostSets;
    std::map<std::string, std::string> sets, layers;
    unsigned width, height;
    double time;
    long frame;
};

TEST(Frei0rPlugin, FramesEqualTheSessionRender) {
    ScratchFolder folder;
    const std::string preset = folder / "look.ini";
    WriteBytes(preset, "[Version=1.5]\nDot Shape=5\nDot Size=7\nDot Distance X=8\nDot Distance Y=9\n"
                                      "Random Interval=2\nSize=40\nRandom Seed=3\n");
    const std::vector<RenderCase> cases = {
        {"defaults", false, {}, {}, {}, 64, 48, 0, 0},
        {"preset at frame 3 of an odd size", true, {}, {}, {}, 37, 23, 0.12, 3},
        {"host values other than defaults win over the preset", true,
         {{"Dot Shape", 0.9}, {"Dot Size", 0.12}, {"Clear Background", 1}, {"Center Position X", 0.25},
          {"Dot Rotation", 0.125}, {"Enable Effector 1", 1}, {"Custom Map Layer 1", 0},
          {"Dot Distance X", 0.2}},  // the default (20) set: it wins over the preset's 8
         {{"Dot Shape", "Diamond"}, {"Dot Size", "12"}, {"Clear Background", "on"}, {"Center Position", "25%,50%"},
          {"Dot Rotation", "45"}, {"Enable Effector 1", "on"}, {"Dot Distance X", "20"}},
         {{"Custom Map Layer 1", "none"}}, 50, 40, 0.2, 5},
        {"relative sizes: thousandths of the frame height", false, {{"Relative Sizes", 1}, {"Dot Size", 0.5}},
         {{"Dot Size", "5"}, {"Dot Distance X", "2"}, {"Dot Distance Y", "2"}, {"Size 1", "20"}, {"Size 2", "20"},
          {"Size 3", "20"}, {"ABS Size 1", "2"}, {"ABS Size 2", "2"}, {"ABS Size 3", "2"}},
         {}, 60, 100, 0, 0},
    };
    for (const RenderCase& c : cases) {
        SCOPED_TRACE(c.what);
        Filter filter(c.width, c.height);
        // As GStreamer does: every value read back before the preset, and set again after it.
        std::map<int, std::vector<unsigned char>> readBack;
        f0r_plugin_info_t info{};
        filter.p.pluginInfo(&info);
        for (int i = 1; i < info.num_params; ++i) {
            std::vector<unsigned char> value(sizeof(f0r_param_color_t) + sizeof(double));
            filter.p.get(filter.instance, value.data(), i);
            readBack[i] = value;
        }
        if (c.preset) filter.SetPreset(preset);
        for (auto& [i, value] : readBack) filter.p.set(filter.instance, value.data(), i);
        for (const auto& s : c.hostSets) filter.Set(s.first, s.second);
        const std::vector<uint32_t> in = TestFrame(c.width, c.height);
        const std::vector<uint32_t> out = filter.Render(in, c.time);
        EXPECT_TRUE(out == SessionRender(in, c.width, c.height, c.frame, c.preset ? preset : "", c.sets, c.layers));
        EXPECT_TRUE(out != in);
    }
    // A colour: the nearest 8-bit value.
    Filter filter(32, 32);
    filter.Set("Dot Color", f0r_param_color_t{0.0f, 0.5f, 1.0f});
    const std::vector<uint32_t> in = TestFrame(32, 32);
    EXPECT_TRUE(filter.Render(in, 0) == SessionRender(in, 32, 32, 0, "", {{"Dot Color", "0,128,255"}}, {}));
}

// The print-screen mode: a flat colour printed as four screens of ideal inks comes back as
// the colour on average (the dots are area-true), alpha as it was; the pitch reads back.
TEST(Frei0rPlugin, PrintScreenPrintsTheColourOnAverage) {
    const unsigned size = 120;
    Filter filter(size, size);
    filter.Set("Print Screen", 1);
    filter.Set("Screen Pitch", (12.0 - tonedot::frei0r::kFrei0rMinPitch) / tonedot::frei0r::kFrei0rPitchSpan);
    filter.Set("Dot Shape", 0.99);  // Diamond
    EXPECT_NEAR(filter.Get("Screen Pitch") * tonedot::frei0r::kFrei0rPitchSpan + tonedot::frei0r::kFrei0rMinPitch, 12.0, 1e-9);
    const std::vector<uint32_t> in(size * size, 0xC04080B0u);  // red 176, green 128, blue 64, alpha 192
    const std::vector<uint32_t> out = filter.Render(in, 0);
    double sums[3] = {0, 0, 0};
    std::size_t dotted = 0;
    for (uint32_t v : out) {
        for (int c = 0; c < 3; ++c) sums[c] += (v >> (8 * c)) & 255;
        EXPECT_EQ(v >> 24, 0xC0u);
        dotted += (v & 0xFFFFFF) != (out[0] & 0xFFFFFF);
    }
    EXPECT_GT(dotted, out.size() / 4);  // dots, not a flat fill
    const double expected[3] = {176, 128, 64};
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(sums[c] / out.size(), expected[c], 0.03 * 255) << "channel " << c;
}

// Frame numbers from the host's times (seconds here): the rate from their spacing unless
// set, Start Frame added, the filter's calls counted when the time is no real time.  A new
// random pattern every frame shows which frame was rendered.
TEST(Frei0rPlugin, CountsFramesFromTheHostsTimes) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, double>> sets;
        std::vector<double> times;
        std::vector<long> frames;
    };
    const double ntsc = 1001.0 / 30000;
    const double none = -3.7e20;  // ffmpeg's time of a frame that lost its timestamp
    const std::vector<Case> cases = {
        {"25 fps from the spacing", {}, {0, 0.04, 0.08, 0.2}, {0, 1, 2, 5}},
        {"29.97 fps from the spacing", {}, {0, ntsc, 2 * ntsc, 100 * ntsc}, {0, 1, 2, 100}},
        {"50 fps from the spacing, a seek back", {}, {0, 0.02, 0.1, 0.04}, {0, 1, 5, 2}},
        {"50 fps set as 0.5", {{"Frame Rate", 0.5}}, {0.08, 0.1}, {4, 5}},
        {"50 fps set as frames per second", {{"Frame Rate", 50}}, {0.08}, {4}},
        {"a clip starting at 0.08 s lined up", {{"Start Frame", 0.5 - 2 / 2000.0}}, {0.08, 0.12, 0.16}, {0, 1, 2}},
        {"no real time: calls counted", {}, {none, -9.2e18, std::nan("")}, {0, 1, 2}},
        {"no real time, from frame 5", {{"Start Frame", 0.5 + 5 / 2000.0}}, {none, none}, {5, 6}},
        {"before the first frame", {{"Start Frame", 0.5 - 10 / 2000.0}}, {0.04}, {0}},
    };
    const unsigned w = 40, h = 30;
    const std::vector<uint32_t> in = TestFrame(w, h);
    const std::map<std::string, std::string> look = {{"Random Interval", "1"}, {"Size", "0.8"}};
    std::map<long, std::vector<uint32_t>> oracle;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Filter filter(w, h);
        filter.Set("Random Interval", 1.0 / 60);
        filter.Set("Size", 0.8);
        for (const auto& s : c.sets) filter.Set(s.first, s.second);
        testing::internal::CaptureStderr();
        for (std::size_t i = 0; i < c.times.size(); ++i) {
            const long frame = c.frames[i];
            if (!oracle.count(frame)) oracle[frame] = SessionRender(in, w, h, frame, "", look, {});
            EXPECT_TRUE(filter.Render(in, c.times[i]) == oracle[frame]) << "time " << c.times[i] << ", frame " << frame;
        }
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string counted = "the filter counts the frames it is given instead";
        EXPECT_EQ(err.find(counted) != std::string::npos, c.times[0] == none) << err;
        EXPECT_EQ(err.find(counted), err.rfind(counted)) << "said twice: " << err;
    }
    ASSERT_TRUE(oracle[0] != oracle[1]);
}

TEST(Frei0rPlugin, HostileValuesAreLimitedOrRefusedWithAMessageOnce) {
    Plugin& p = ThePlugin();
    f0r_plugin_info_t info{};
    p.pluginInfo(&info);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Filter filter(24, 16);
    const std::vector<uint32_t> in = TestFrame(24, 16);
    testing::internal::CaptureStderr();
    for (double v : {nan, inf, -inf, 1e308, -1e308, 0.5}) {
        for (int i = 1; i < info.num_params; ++i) {
            f0r_param_info_t param{};
            p.paramInfo(&param, i);
            if (param.type == F0R_PARAM_COLOR) {
                f0r_param_color_t c{static_cast<float>(v), 0.5f, static_cast<float>(-v)};
                p.set(filter.instance, &c, i);
            } else {
                p.set(filter.instance, &v, i);
                p.set(filter.instance, &v, i);  // as MLT does for every frame
                double back = nan;
                p.get(filter.instance, &back, i);
                EXPECT_TRUE(std::isfinite(back)) << param.name << " after " << v;
            }
        }
        filter.Render(in, v);  // the time is just as hostile
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("\"Dot Size\" nan is not a number"), std::string::npos) << err;
    EXPECT_NE(err.find("\"Frame Rate\" -inf is below 0"), std::string::npos) << err;
    const std::string limited = "\"Random Seed\" inf is outside";
    EXPECT_NE(err.find(limited), std::string::npos) << err;
    EXPECT_EQ(err.find(limited), err.rfind(limited)) << "said twice";
    // In the host's units, the effect's own beside them, and short numbers.
    EXPECT_NE(err.find("\"Dot Size\" 1e+308 is outside 0 to 10 (the effect's 0 to 1000); 10 is used."), std::string::npos)
        << err;
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);) EXPECT_LT(line.size(), 300u) << line;
}

TEST(Frei0rPlugin, BadPresetsAreNotUsedAndSaySo) {
    ScratchFolder folder;
    WriteBytes(folder / "garbage.ini", std::string("\x00\xff[[[=\n", 7));
    WriteBytes(folder / "unknown.ini", "[Version=1.5]\nNo Such Thing=1\n");
    WriteBytes(folder / "huge.ini", "[Version=1.5]\n" + std::string(2 << 20, ';'));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {folder / "missing.ini", "cannot read preset"},
        {folder.path().string(), "is not a preset"},
        {"/dev/zero", "is not a preset"},
        {folder / "huge.ini", "is not a preset"},
        {folder / "garbage.ini", "garbage.ini"},
        {folder / "unknown.ini", "No Such Thing"},
    };
    const std::vector<uint32_t> in = TestFrame(20, 20);
    Filter plain(20, 20);
    const std::vector<uint32_t> defaults = plain.Render(in, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        Filter filter(20, 20);
        testing::internal::CaptureStderr();
        filter.SetPreset(c.first);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(c.second), std::string::npos) << err;
        EXPECT_NE(err.find("The preset is not used."), std::string::npos) << err;
        EXPECT_TRUE(filter.Render(in, 0) == defaults);
    }
}

TEST(Frei0rPlugin, EmptyAndSinglePixelFrames) {
    for (auto size : {std::pair<unsigned, unsigned>{0, 16}, {16, 0}, {0, 0}}) {
        Filter filter(size.first, size.second);
        std::vector<uint32_t> none;
        filter.p.update(filter.instance, 0, none.data(), none.data());  // nothing to read or write
    }
    Filter filter(1, 1);
    const std::vector<uint32_t> in = TestFrame(1, 1);
    EXPECT_TRUE(filter.Render(in, 0) == SessionRender(in, 1, 1, 0, "", {}, {}));
}

// The pixel memory of frames comes back when the last instance goes; f0r_deinit gives back
// the effect, and the filter works again after the next f0r_init, also when f0r_deinit came
// while an instance lived.
TEST(Frei0rPlugin, MemoryComesBackWithTheLastInstanceAndAtDeinit) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' allocators do not report the C library's heap figures";
#else
    auto inUse = [] {
        const struct mallinfo2 m = mallinfo2();
        return static_cast<long long>(m.uordblks + m.hblkhd);
    };
    Plugin& p = ThePlugin();
    auto deinit = p.Get<void (*)()>("f0r_deinit");
    const std::vector<uint32_t> in = TestFrame(1280, 720);
    const long long before = inUse();
    {
        Filter filter(1280, 720);
        for (int i = 0; i < 3; ++i) filter.Render(in, i / 25.0);
        EXPECT_GT(inUse() - before, 3LL * 1280 * 720 * 4);
    }
    EXPECT_LT(inUse() - before, 1LL << 20);
    auto* lives = new Filter(64, 48);
    deinit();
    const std::vector<uint32_t> small = TestFrame(64, 48);
    EXPECT_TRUE(lives->Render(small, 0) == SessionRender(small, 64, 48, 0, "", {}, {}));
    delete lives;
    ASSERT_EQ(p.init(), 1);
    Filter again(64, 48);
    EXPECT_TRUE(again.Render(small, 0) == SessionRender(small, 64, 48, 0, "", {}, {}));
#endif
}

// Every frame of `count` rendered alone on one thread: the reference for the threaded runs.
std::vector<std::vector<uint32_t>> SerialFrames(int count, const std::vector<uint32_t>& in, unsigned w, unsigned h) {
    Filter filter(w, h);
    filter.Set("Random Interval", 1.0 / 60);  // a new pattern every frame
    filter.Set("Size", 0.8);
    filter.Set("Frame Rate", 0.25);  // the frames come out of order: no spacing to go by
    std::vector<std::vector<uint32_t>> frames;
    for (int i = 0; i < count; ++i) frames.push_back(filter.Render(in, i / 25.0));
    return frames;
}

TEST(Frei0rPlugin, InstancesOnEightThreads) {
    const unsigned w = 96, h = 64;
    const std::vector<uint32_t> in = TestFrame(w, h);
    const auto expected = SerialFrames(8, in, w, h);
    ASSERT_TRUE(expected[0] != expected[1]);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            Filter filter(w, h);  // made, used and removed on its own thread
            filter.Set("Random Interval", 1.0 / 60);  // a new pattern every frame
            filter.Set("Size", 0.8);
            filter.Set("Frame Rate", 0.25);
            for (int round = 0; round < 2; ++round)
                if (filter.Render(in, t / 25.0) != expected[static_cast<std::size_t>(t)]) ++wrong;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(Frei0rPlugin, OneInstanceFromTwoThreadsAtOnce) {
    const unsigned w = 96, h = 64;
    const std::vector<uint32_t> in = TestFrame(w, h);
    const auto expected = SerialFrames(6, in, w, h);
    Filter filter(w, h);
    filter.Set("Random Interval", 1.0 / 60);  // a new pattern every frame
    filter.Set("Size", 0.8);
    filter.Set("Frame Rate", 0.25);  // the frames come out of order: no spacing to go by
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            for (int i = t; i < 6; i += 2) {
                filter.Set("Size", 0.8);  // a host setting values while the other thread renders
                if (filter.Render(in, i / 25.0) != expected[static_cast<std::size_t>(i)]) ++wrong;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
