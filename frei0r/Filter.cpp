#include "frei0r/Filter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <limits>
#include <sys/stat.h>

#include "AEUtil/HostApi.h"
#include "session/Errors.h"
#include "print/PrintScreen.h"
#include "print/Separation.h"
#include "host/Image.h"
#include "host/WorkerPool.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void*);

namespace tonedot::frei0r {
namespace {

using session::ParamKind;
using session::ParamValue;

// A preset is a short text file; anything larger is not one.
constexpr off_t kMaxPresetBytes = 1 << 20;

// Host times (seconds) farther from 0 than a century are no times of a clip; times closer
// together than a millisecond are the same frame (no host runs above 1000 frames per second).
constexpr double kLongestClip = 100.0 * 365 * 24 * 3600, kShortestFrame = 0.000999;

void Say(const std::string& message) { std::fprintf(stderr, "tonedot: %s\n", message.c_str()); }

// The process's effect session and the filter's parameter table made from it.  f0r_init
// (or the first instance) makes it; f0r_deinit gives it back, or the last instance does
// when f0r_deinit came while instances lived (some hosts call it first).
struct SharedSession {
    std::mutex mutex;
    std::unique_ptr<session::EffectSession> session;
    std::vector<Frei0rParam> params;
    int instances = 0;
    bool released = false;  // f0r_deinit came; the last instance gives the session back

    // With the mutex held.
    session::EffectSession* Make() {
        released = false;
        if (session) return session.get();
        try {
            // The factory defaults, so that a project renders alike on every account; the
            // user's stored defaults only when TONEDOT_STORED_DEFAULTS=1 asks for them.
            const char* stored = std::getenv("TONEDOT_STORED_DEFAULTS");
            session = std::make_unique<session::EffectSession>(&EntryPointFunc, !(stored && std::string(stored) == "1"));
            params = Frei0rParams(session->Params());
        } catch (const std::exception& e) {
            Say(std::string("the effect could not be set up: ") + e.what());
            params.clear();
            session.reset();
        }
        return session.get();
    }
    // With the mutex held: the effect's global setdown, and the memory kept for frames.
    void Drop() {
        params.clear();
        session.reset();
        ReleaseKeptImageMemory();
        released = false;
    }
};

SharedSession& Shared() {
    static SharedSession shared;
    return shared;
}

// The parameter UI command runs one instance at a time.
std::mutex gUIMutex;

// RGBA (bytes in memory order) to the host's ARGB and back, straight alpha both: as
// little-endian words, a rotation by one byte.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixels are converted as little-endian words");
inline std::uint32_t RgbaToArgb(std::uint32_t v) { return (v << 8) | (v >> 24); }
inline std::uint32_t ArgbToRgba(std::uint32_t v) { return (v >> 8) | (v << 24); }

// Runs rows(y0, y1) over bands of rows on the host's worker threads.
void InBands(WorkerPool& pool, int height, const std::function<void(int, int)>& rows) {
    const int bands = std::max(1, std::min(height / 32, pool.Workers() * 4));
    pool.Run(bands, [&](int band, int) {
        rows(static_cast<int>(static_cast<long>(height) * band / bands),
             static_cast<int>(static_cast<long>(height) * (band + 1) / bands));
    });
}

void ToHost(WorkerPool& pool, const std::uint32_t* in, Image& image) {
    const int w = image.Width();
    InBands(pool, image.Height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            auto* __restrict row = reinterpret_cast<std::uint32_t*>(&image.At<PF_Pixel8>(0, y));
            const std::uint32_t* __restrict s = in + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
            for (int x = 0; x < w; ++x) row[x] = RgbaToArgb(s[x]);
        }
    });
}

// The output world (which may cover less than the frame) into RGBA; transparent elsewhere.
void FromHost(WorkerPool& pool, const Image& output, int width, int height, std::uint32_t* out) {
    const PF_EffectWorld& world = *output.World();
    if (world.origin_x > 0 || world.origin_y > 0 || world.origin_x + world.width < width ||
        world.origin_y + world.height < height)
        std::memset(out, 0, static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    const int x0 = std::max(0, static_cast<int>(world.origin_x));
    const int x1 = std::min(width, static_cast<int>(world.origin_x + world.width));
    InBands(pool, world.height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const int ty = y + world.origin_y;
            if (ty < 0 || ty >= height) continue;
            const auto* __restrict row = reinterpret_cast<const std::uint32_t*>(&output.At<PF_Pixel8>(0, y)) - world.origin_x;
            std::uint32_t* __restrict d = out + static_cast<std::size_t>(ty) * static_cast<std::size_t>(width);
            for (int x = x0; x < x1; ++x) d[x] = ArgbToRgba(row[x]);
        }
    });
}

}  // namespace

session::EffectSession* Session() {
    std::lock_guard<std::mutex> lock(Shared().mutex);
    return Shared().Make();
}

const std::vector<Frei0rParam>& SessionParams() {
    std::lock_guard<std::mutex> lock(Shared().mutex);
    Shared().Make();
    return Shared().params;
}

void ReleaseSession() {
    SharedSession& shared = Shared();
    std::lock_guard<std::mutex> lock(shared.mutex);
    if (shared.instances == 0) shared.Drop();
    else shared.released = true;
}

namespace {

session::EffectSession* AcquireSession() {
    SharedSession& shared = Shared();
    std::lock_guard<std::mutex> lock(shared.mutex);
    const bool released = shared.released;
    session::EffectSession* session = shared.Make();
    shared.released = released;
    if (!session) throw session::RenderError("the effect is not set up.");
    ++shared.instances;
    return session;
}

// The last instance gives back the memory kept for frames, and the session when f0r_deinit
// came before it.
void LeaveSession() {
    SharedSession& shared = Shared();
    std::lock_guard<std::mutex> lock(shared.mutex);
    if (--shared.instances > 0) return;
    if (shared.released) shared.Drop();
    else ReleaseKeptImageMemory();
}

}  // namespace

Filter::Filter(unsigned width, unsigned height, double secondsPerTimeUnit)
    : width_(width), height_(height), secondsPerTimeUnit_(secondsPerTimeUnit), session_(AcquireSession()),
      params_(SessionParams()) {
    try {
        instance_ = &session_->NewInstance();
    } catch (...) {
        LeaveSession();
        throw;
    }
    reported_.resize(params_.size() + 1);  // and the time
}

Filter::~Filter() {
    input_.reset();
    screens_.reset();
    session_->RemoveInstance(*instance_);
    LeaveSession();
}

ParamValue Filter::Current(const session::ParamInfo& info) const {
    auto it = settings_.find(info.index);
    return it != settings_.end() ? it->second : session::RegisteredValue(info);
}

session::ParamSettings Filter::FrameSettings() const {
    if (!relativeSizes_) return settings_;
    session::ParamSettings sized = settings_;
    const double pixels = static_cast<double>(height_) / kFrei0rRelativeUnit;
    for (const session::ParamInfo& info : session_->Params().All()) {
        if (!IsRelativeSize(info)) continue;
        ParamValue value = Current(info);
        value.number = std::clamp(value.number * pixels, double(info.def.u.fs_d.valid_min), double(info.def.u.fs_d.valid_max));
        sized[info.index] = value;
    }
    return sized;
}

void Filter::Report(std::size_t index, const std::string& message) {
    // Hosts such as MLT set every parameter again for each frame: say it once.
    if (message == reported_[index]) return;
    reported_[index] = message;
    if (!message.empty()) Say(message);
}

void Filter::SetPreset(const char* path) {
    const std::string p = path ? path : "";
    if (p == presetPath_) return;
    presetPath_ = p;
    preset_.clear();
    std::string message;
    if (!p.empty()) {
        struct stat st {};
        if (stat(p.c_str(), &st) != 0) {
            message = "cannot read preset \"" + p + "\": " + std::strerror(errno) + ".";
        } else if (!S_ISREG(st.st_mode) || st.st_size > kMaxPresetBytes) {
            message = "\"" + p + "\" is not a preset (not a file of at most 1 MiB).";
        } else {
            try {
                session::ReadPreset(p, session_->Params(), preset_);
            } catch (const session::Error& e) {
                message = e.what();
                preset_.clear();
            }
        }
        if (!message.empty()) message += " The preset is not used.";
    }
    Report(0, message);
    settings_ = preset_;
    for (const auto& v : hostSet_) settings_[v.first] = v.second;
    changed_ = true;
}

void Filter::SetParam(const void* param, int index) {
    if (!param || index < 0 || static_cast<std::size_t>(index) >= params_.size()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    const Frei0rParam& p = params_[static_cast<std::size_t>(index)];
    const std::size_t at = static_cast<std::size_t>(index);
    switch (p.role) {
        case Frei0rRole::Preset:
            SetPreset(*static_cast<const char* const*>(param));
            return;
        case Frei0rRole::FrameRate:
            Report(at, FromFrei0rFrameRate(*static_cast<const double*>(param), frameRate_));
            return;
        case Frei0rRole::StartFrame:
            Report(at, FromFrei0rStartFrame(*static_cast<const double*>(param), startFrame_));
            return;
        case Frei0rRole::RelativeSizes: {
            double unit = relativeSizes_ ? 1.0 : 0.0;
            Report(at, LimitUnitValue(p, *static_cast<const double*>(param), unit));
            if ((unit >= 0.5) != relativeSizes_) changed_ = true;
            relativeSizes_ = unit >= 0.5;
            return;
        }
        case Frei0rRole::PrintScreen: case Frei0rRole::ScreenPitch: case Frei0rRole::BlackGeneration: {
            double unit = p.role == Frei0rRole::PrintScreen ? (printScreen_ ? 1.0 : 0.0)
                          : p.role == Frei0rRole::ScreenPitch ? (screenPitch_ - kFrei0rMinPitch) / kFrei0rPitchSpan
                                                              : blackGeneration_;
            const std::string message = LimitUnitValue(p, *static_cast<const double*>(param), unit);
            if (p.role == Frei0rRole::PrintScreen) printScreen_ = unit >= 0.5;
            else if (p.role == Frei0rRole::ScreenPitch) screenPitch_ = kFrei0rMinPitch + unit * kFrei0rPitchSpan;
            else blackGeneration_ = unit;
            Report(at, message);
            return;
        }
        default: break;
    }
    const session::ParamInfo& info = *p.info;
    ParamValue value = Current(info);
    const std::string before = session::FormatValue(info, value);
    std::string message;
    bool refused = false;
    if (p.type == Frei0rType::Color) {
        const auto* c = static_cast<const float*>(param);  // f0r_param_color: three floats
        refused = std::isnan(c[0]) || std::isnan(c[1]) || std::isnan(c[2]);
        message = FromFrei0rColor(p, {c[0], c[1], c[2]}, value);
    } else {
        const double x = *static_cast<const double*>(param);
        refused = std::isnan(x);
        message = FromFrei0r(p, x, value);
    }
    Report(at, message);
    if (refused) return;
    const bool unset = p.type == Frei0rType::Bool || p.role != Frei0rRole::Value
                           // bools (hosts hand them back as 0 or 1) and points (no preset
                           // holds them): the default leaves them unset
                           ? session::FormatValue(info, value) == session::FormatValue(info, session::RegisteredValue(info))
                           : LeavesUnset(p, param);
    if (unset) hostSet_.erase(info.index);
    else hostSet_[info.index] = value;
    auto host = hostSet_.find(info.index);
    auto preset = preset_.find(info.index);
    if (host != hostSet_.end()) settings_[info.index] = host->second;
    else if (preset != preset_.end()) settings_[info.index] = preset->second;
    else settings_.erase(info.index);
    if (session::FormatValue(info, Current(info)) != before) changed_ = true;
}

bool Filter::LeavesUnset(const Frei0rParam& p, const void* param) const {
    // The marks of the default (read back before a preset was set) and of the preset's value.
    const session::ParamInfo& info = *p.info;
    auto preset = preset_.find(info.index);
    for (const ParamValue& base : {session::RegisteredValue(info), preset != preset_.end() ? preset->second : session::RegisteredValue(info)}) {
        if (p.type == Frei0rType::Color) {
            const Frei0rColor c = ToFrei0rColor(base);
            const auto* f = static_cast<const float*>(param);
            if (f[0] == Frei0rUnsetMark(static_cast<float>(c.r)) && f[1] == Frei0rUnsetMark(static_cast<float>(c.g)) &&
                f[2] == Frei0rUnsetMark(static_cast<float>(c.b)))
                return true;
        } else if (*static_cast<const double*>(param) == Frei0rUnsetMark(ToFrei0r(p, base))) {
            return true;
        }
    }
    return false;
}

void Filter::GetParam(void* param, int index) {
    if (!param || index < 0 || static_cast<std::size_t>(index) >= params_.size()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    const Frei0rParam& p = params_[static_cast<std::size_t>(index)];
    switch (p.role) {
        case Frei0rRole::Preset:
            *static_cast<const char**>(param) = presetPath_.c_str();
            return;
        case Frei0rRole::FrameRate:
            *static_cast<double*>(param) = ToFrei0rFrameRate(frameRate_);
            return;
        case Frei0rRole::StartFrame:
            *static_cast<double*>(param) = ToFrei0rStartFrame(startFrame_);
            return;
        case Frei0rRole::PrintScreen:
            *static_cast<double*>(param) = printScreen_ ? 1.0 : 0.0;
            return;
        case Frei0rRole::RelativeSizes:
            *static_cast<double*>(param) = relativeSizes_ ? 1.0 : 0.0;
            return;
        case Frei0rRole::ScreenPitch:
            *static_cast<double*>(param) = (screenPitch_ - kFrei0rMinPitch) / kFrei0rPitchSpan;
            return;
        case Frei0rRole::BlackGeneration:
            *static_cast<double*>(param) = blackGeneration_;
            return;
        default: break;
    }
    const ParamValue value = Current(*p.info);
    const bool mark = p.role == Frei0rRole::Value && hostSet_.count(p.info->index) == 0;
    if (p.type == Frei0rType::Color) {
        const Frei0rColor c = ToFrei0rColor(value);
        auto* f = static_cast<float*>(param);
        f[0] = static_cast<float>(c.r);
        f[1] = static_cast<float>(c.g);
        f[2] = static_cast<float>(c.b);
        if (mark)
            for (int i = 0; i < 3; ++i) f[i] = Frei0rUnsetMark(f[i]);
    } else {
        const double x = ToFrei0r(p, value);
        *static_cast<double*>(param) = mark && p.type == Frei0rType::Double ? Frei0rUnsetMark(x) : x;
    }
}

double Filter::RateAt(double seconds) {
    if (std::isfinite(seconds) && std::fabs(seconds) <= kLongestClip) {
        const double step = std::fabs(seconds - lastSeconds_);
        if (step > kShortestFrame) spacing_ = std::min(spacing_, step);  // NaN before the first
        lastSeconds_ = seconds;
    }
    if (frameRate_ > 0) return frameRate_;
    if (!std::isfinite(spacing_)) return kFrei0rDefaultFrameRate;
    // Hosts compute times in floating point: a rate within 0.1 % of a whole number, or of
    // one at 1000/1001 of it (29.97 for 30), is that rate.
    const double rate = 1.0 / spacing_;
    for (double d : {1.0, 1.001}) {
        const double whole = std::round(rate * d) / d;
        if (std::fabs(rate - whole) <= 0.001 * whole) return std::min(whole, session::kMaxFrameRate);
    }
    return std::min(rate, session::kMaxFrameRate);
}

long Filter::FrameAt(double seconds, double rate, A_long timeStep) {
    const std::size_t timeMessage = reported_.size() - 1;
    // The effect sees the frame's time as frame x time step in an A_long.
    const double last = static_cast<double>(std::numeric_limits<A_long>::max() / timeStep - 1);
    const double counted = std::floor(seconds * rate + 0.5);
    if (std::isfinite(seconds) && std::fabs(seconds) <= kLongestClip) {
        counting_ = false;
        const double frame = counted + static_cast<double>(startFrame_);
        if (frame >= 0 && frame <= last) {
            Report(timeMessage, std::string());
            return static_cast<long>(frame);
        }
        Report(timeMessage, "the host's time " + session::FormatNumber(seconds) + " s is frame " +
                                session::FormatNumber(frame) + ", before the first or beyond the last; frame " +
                                (frame < 0 ? "0" : session::FormatNumber(last)) + " is rendered.");
        return frame < 0 ? 0 : static_cast<long>(last);
    }
    // NaN, infinities and times no clip reaches: ffmpeg passes -3.7e20 for frames that
    // lost their timestamp, GStreamer 1.8e10 seconds for a buffer without one.
    if (!counting_) {  // once, though such times differ from frame to frame
        char text[32];
        std::snprintf(text, sizeof text, "%g", seconds);
        Report(timeMessage, std::string("the host's time ") + text +
                                " s is no time of a clip; the filter counts the frames it is given instead.");
    }
    counting_ = true;
    const double frame = std::clamp(static_cast<double>(calls_) + static_cast<double>(startFrame_), 0.0, last);
    return static_cast<long>(frame);
}

void Filter::Update(double time, const std::uint32_t* in, std::uint32_t* out) {
    if (!in || !out || width_ == 0 || height_ == 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    try {
        RenderFrame(time, in, out);
        return;
    } catch (const std::exception& e) {
        Say(std::string("frame not rendered, the input is passed on: ") + e.what());
    }
    if (in != out) std::memmove(out, in, static_cast<std::size_t>(width_) * height_ * 4);
}

void Filter::RenderFrame(double time, const std::uint32_t* in, std::uint32_t* out) {
    session::FrameContext context;
    context.layerWidth = static_cast<int>(width_);
    context.layerHeight = static_cast<int>(height_);
    const double seconds = time * secondsPerTimeUnit_;
    const double rate = RateAt(seconds);
    session::SetFrameRate(context, rate);
    context.frame = FrameAt(seconds, rate, context.timeStep);
    ++calls_;
    if (printScreen_) {
        RenderPrintScreen(context, changed_, in, out);
        changed_ = false;
        return;
    }
    const session::ParamSettings settings = FrameSettings();
    if (changed_) {
        session_->ApplySettings(*instance_, settings, context);
        std::lock_guard<std::mutex> lock(gUIMutex);
        session_->UpdateParamsUI(*instance_);
        changed_ = false;
    }
    session_->ApplySettings(*instance_, settings, context);

    if (!input_) input_ = std::make_unique<Image>(PF_PixelFormat_ARGB32, context.layerWidth, context.layerHeight);
    ToHost(session_->GetHost().Pool(), in, *input_);
    std::vector<int> selfLayers;
    for (const session::ParamInfo& info : session_->Params().All())
        if (info.index > 0 && info.kind == ParamKind::Layer && Current(info).layer == session::LayerChoice::Self)
            selfLayers.push_back(info.index);
    session::PreparedFrame frame = session_->Prepare(*instance_, context, std::move(input_), selfLayers);
    std::unique_ptr<Image> output;
    try {
        output = session_->RenderImage(*instance_, frame);
    } catch (...) {
        input_ = std::move(frame.input);
        throw;
    }
    input_ = std::move(frame.input);
    FromHost(session_->GetHost().Pool(), *output, context.layerWidth, context.layerHeight, out);
}

void Filter::RenderPrintScreen(const session::FrameContext& context, bool changed, const std::uint32_t* in,
                               std::uint32_t* out) {
    // The effect's values for every ink, but for those the screen sets itself.
    session::ParamSettings user = FrameSettings();
    for (const std::string& name : print::ScreenParameterNames()) user.erase(session_->Params().Require(name).index);
    if (!screens_) screens_ = std::make_unique<print::ScreenRenderer>(*session_, user);
    else if (changed) screens_->SetUserSettings(user);
    // Layer parameters showing the frame itself (effectors 2 and 3, the mask) see it in the
    // screens' depth.
    session::Picture frame;
    std::map<int, const session::Picture*> layers;
    for (const auto& [index, value] : user) {
        if (value.layer != session::LayerChoice::Self) continue;
        if (frame.Empty()) {
            session::Picture bytes(session::Depth::Bits8, static_cast<int>(width_), static_cast<int>(height_));
            auto* argb = reinterpret_cast<std::uint32_t*>(bytes.Data());
            for (std::size_t i = 0; i < static_cast<std::size_t>(width_) * height_; ++i) argb[i] = RgbaToArgb(in[i]);
            frame = session::ConvertDepth(bytes, session::Depth::Bits16);
        }
        layers[index] = &frame;
    }
    screens_->SetLayers(layers);

    const std::size_t n = static_cast<std::size_t>(width_) * height_;
    print::SeparationSettings separation;
    separation.greyReplacement.blackGeneration = blackGeneration_;
    separation.inkLimit = print::kDefaultInkLimit;
    const print::InkPlanes amounts = print::SeparatePixels(
        n,
        [&](std::size_t i) {
            const std::uint32_t v = in[i];  // RGBA in memory order: red in the low byte
            return std::array<float, 4>{(v & 255) / 255.0f, ((v >> 8) & 255) / 255.0f, ((v >> 16) & 255) / 255.0f,
                                        (v >> 24) / 255.0f};
        },
        separation);
    const session::ParamInfo& shapeParam = session_->Params().Require("Dot Shape");
    std::array<print::InkScreen, print::kInkCount> screens;
    std::array<print::InkColour, print::kInkCount> inks;
    for (int k = 0; k < print::kInkCount; ++k) {
        print::InkScreen& screen = screens[static_cast<std::size_t>(k)];
        screen.shape = static_cast<int>(Current(shapeParam).integer);
        screen.angle = print::kDefaultScreenAngles[k];
        screen.pitch = relativeSizes_ ? std::max(kFrei0rMinPitch, screenPitch_ * height_ / kFrei0rRelativeUnit) : screenPitch_;
        inks[static_cast<std::size_t>(k)] = print::kProcessInks[k];
    }
    const print::InkPlanes coverage =
        print::ScreenInks(*screens_, amounts, context.layerWidth, context.layerHeight, screens);
    auto byte = [](float x) { return static_cast<std::uint32_t>(std::lround(std::clamp(x, 0.0f, 1.0f) * 255.0f)); };
    print::CompositeInks(coverage, inks, {1, 1, 1}, [&](std::size_t i, const print::InkColour& rgb) {
        out[i] = byte(rgb[0]) | byte(rgb[1]) << 8 | byte(rgb[2]) << 16 | (in[i] & 0xFF000000u);
    });
}

}  // namespace tonedot::frei0r
