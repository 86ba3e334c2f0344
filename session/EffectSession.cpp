#include "session/EffectSession.h"

#include <filesystem>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>
#include <limits.h>
#include <unistd.h>

#include "AEUtil/ExceptionReport.h"
#include "AEUtil/Platform.h"
#include "params/StoredDefaults.h"
#include "session/Errors.h"
#include "session/RenderMonitor.h"
#include "host/EffectUI.h"
#include "host/ParamServices.h"
#include "host/RenderCall.h"

#ifndef TONEDOT_BUILT_EFFECT_PATH
#define TONEDOT_BUILT_EFFECT_PATH ""
#endif

namespace tonedot::session {
namespace {

thread_local RenderMonitor* tMonitor = nullptr;
std::atomic<RenderMonitor*> gProcessMonitor{nullptr};

RenderMonitor* Monitor() { return tMonitor ? tMonitor : gProcessMonitor.load(std::memory_order_relaxed); }

bool StopRequested() {
    const RenderMonitor* monitor = Monitor();
    return monitor && monitor->StopRequested();
}

// The host's progress callback: the dots drawn so far go to the monitor; a stop request
// answers the cancel code, which stops the effect's dot loop.
PF_Err ReportProgress(PF_ProgPtr, A_long current, A_long total) {
    if (RenderMonitor* monitor = Monitor()) monitor->Dots(current, total);
    return StopRequested() ? PF_Interrupt_CANCEL : PF_Err_NONE;
}

PF_Err CheckAbort(PF_ProgPtr) { return StopRequested() ? PF_Interrupt_CANCEL : PF_Err_NONE; }

bool FileExists(const std::string& path) { return !path.empty() && access(path.c_str(), R_OK) == 0; }

}  // namespace

std::string ProgramFolder() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return std::string();
    std::string path(buffer, static_cast<std::size_t>(n));
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

namespace {

// Sets an environment variable for the lifetime of the object, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = std::string(old);
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A fresh, empty temporary folder, removed with what it holds when the object goes.
class TempFolder {
public:
    TempFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tonedot-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data())) path_ = buffer.data();
    }
    ~TempFolder() {
        if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::unique_ptr<Image> ToHostImage(const Picture& picture) {
    auto image = std::make_unique<Image>(FormatOf(picture.GetDepth()), picture.Width(), picture.Height());
    picture.CopyToWorld(*image->World());
    return image;
}

}  // namespace

PreparedFrame::PreparedFrame(PreparedFrame&& other) noexcept
    : context(other.context), input(std::move(other.input)), layers(std::move(other.layers)),
      selfLayers(std::move(other.selfLayers)), instance(std::exchange(other.instance, nullptr)) {}

PreparedFrame::~PreparedFrame() {
    if (!instance) return;
    InstanceParams& values = tonedot::Params(*instance);
    for (const auto& layer : layers) values.SetLayer(layer.first, nullptr);
    for (int index : selfLayers) values.SetLayer(index, nullptr);
}

std::string HostErrorText(PF_Err err, const std::string& message) {
    const char* name = AEUtil::ErrorCodeName(err);
    std::string text = std::string(name && *name ? name : "host error") + " (" + std::to_string(err) + ")";
    std::string m = message;
    while (!m.empty() && (m.back() == '\n' || m.back() == '\r')) m.pop_back();
    for (char& c : m)
        if (c == '\n' || c == '\r') c = ' ';
    if (!m.empty()) text += ": " + m;
    return text;
}

void SetThreadMonitor(RenderMonitor* monitor) { tMonitor = monitor; }

void SetProcessMonitor(RenderMonitor* monitor) { gProcessMonitor.store(monitor); }

std::string FindEffectLibrary(const std::string& explicitPath) {
    if (!explicitPath.empty()) return explicitPath;
    if (const char* env = std::getenv("TONEDOT_EFFECT"); env && *env) return env;
    const std::string beside = ProgramFolder() + "/T_Tonedot.so";
    if (FileExists(beside)) return beside;
    // Installed: <prefix>/bin/tonedot and <prefix>/lib/tonedot/T_Tonedot.so (cmake/Packaging.cmake).
    const std::string installed = ProgramFolder() + "/../lib/tonedot/T_Tonedot.so";
    if (FileExists(installed)) return installed;
    return TONEDOT_BUILT_EFFECT_PATH;
}

void SetFrameRate(FrameContext& context, double fps) {
    if (fps == std::floor(fps)) {
        context.timeScale = static_cast<A_u_long>(fps);
        context.timeStep = 1;
    } else {
        context.timeScale = static_cast<A_u_long>(std::lround(fps * 1000));
        context.timeStep = 1000;
    }
}

namespace {

void (*g_warningSink)(const std::string&) = nullptr;

// The stored defaults the effect is about to read, when it cannot read them.
void WarnAboutStoredDefaults() {
    if (!g_warningSink) return;
    char path[Params::kSettingsPathSize];
    if (!Params::GetSettingsPath(path)) return;
    std::string text;
    std::error_code error;
    const auto kind = std::filesystem::status(path, error).type();
    const AEUtil::Platform::SettingsFileStatus status =
        kind == std::filesystem::file_type::not_found || kind == std::filesystem::file_type::regular
            ? AEUtil::Platform::ReadSettingsFile(path, text)
            : AEUtil::Platform::SettingsFileStatus::NotAFile;  // a pipe is not waited on
    if (status == AEUtil::Platform::SettingsFileStatus::TooLarge ||
        status == AEUtil::Platform::SettingsFileStatus::NotAFile ||
        status == AEUtil::Platform::SettingsFileStatus::BadText) {
        g_warningSink(std::string("the stored defaults \"") + path + "\" are " +
                      AEUtil::Platform::SettingsFileProblem(status) + "; the built-in defaults apply" +
                      (status == AEUtil::Platform::SettingsFileStatus::NotAFile
                           ? std::string(".")
                           : std::string(" (tonedot defaults reset removes the file).")));
    }
}

}  // namespace

void SetWarningSink(void (*sink)(const std::string& message)) { g_warningSink = sink; }

EffectSession::EffectSession(const std::string& libraryPath, bool factoryDefaults) {
    host_ = std::make_unique<Host>(libraryPath);
    if (!host_->Loaded())
        throw RenderError("cannot load the effect library \"" + libraryPath + "\": " +
                          host_->LoadError() + " (name another with --effect or TONEDOT_EFFECT).");
    Start(factoryDefaults);
}

EffectSession::EffectSession(EntryPointFn entry, bool factoryDefaults) {
    host_ = std::make_unique<Host>(entry);
    Start(factoryDefaults);
}

void EffectSession::Start(bool factoryDefaults) {
    host_->interact.progress = &ReportProgress;
    host_->interact.abort = &CheckAbort;
    Send(PF_Cmd_GLOBAL_SETUP, host_->Main(), "PF_Cmd_GLOBAL_SETUP");
    {
        // Without stored defaults the effect must find no settings file while it
        // registers its parameters: it looks in the application-data folder, which is
        // an empty folder for this command.
        std::unique_ptr<TempFolder> empty;
        std::unique_ptr<ScopedEnv> env;
        if (factoryDefaults) {
            empty = std::make_unique<TempFolder>();
            env = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", empty->Path());
        } else {
            WarnAboutStoredDefaults();
        }
        Send(PF_Cmd_PARAMS_SETUP, host_->Main(), "PF_Cmd_PARAMS_SETUP");
    }
    params_ = std::make_unique<RegisteredParams>(Catalog(*host_).Definitions());
}

EffectSession::~EffectSession() {
    for (Instance* instance : instances_) host_->Send(PF_Cmd_SEQUENCE_SETDOWN, *instance);
    host_->Send(PF_Cmd_GLOBAL_SETDOWN);
}

void EffectSession::Send(PF_Cmd cmd, Instance& instance, const char* what) {
    const CallResult r = host_->Send(cmd, instance);
    if (r.err != PF_Err_NONE)
        throw RenderError(std::string(what) + " failed: " + HostErrorText(r.err, r.Message()) + ".");
}

std::string EffectSession::About() {
    const CallResult r = host_->Send(PF_Cmd_ABOUT);
    if (r.err != PF_Err_NONE)
        throw RenderError("PF_Cmd_ABOUT failed: " + HostErrorText(r.err, r.Message()) + ".");
    std::string text = r.Message();
    for (char& c : text)
        if (c == '\r') c = '\n';
    return text;
}

Instance& EffectSession::NewInstance() {
    std::lock_guard<std::mutex> lock(instancesMutex_);
    const bool mainInUse = std::find(instances_.begin(), instances_.end(), &host_->Main()) != instances_.end();
    Instance& instance = mainInUse ? host_->NewInstance() : host_->Main();
    try {
        Send(PF_Cmd_SEQUENCE_SETUP, instance, "PF_Cmd_SEQUENCE_SETUP");
    } catch (...) {
        if (&instance != &host_->Main()) host_->DeleteInstance(instance);
        throw;
    }
    instances_.push_back(&instance);
    return instance;
}

void EffectSession::RemoveInstance(Instance& instance) {
    std::lock_guard<std::mutex> lock(instancesMutex_);
    auto it = std::find(instances_.begin(), instances_.end(), &instance);
    if (it == instances_.end()) return;
    instances_.erase(it);
    host_->Send(PF_Cmd_SEQUENCE_SETDOWN, instance);
    if (&instance != &host_->Main()) host_->DeleteInstance(instance);
}

void EffectSession::ApplySettings(Instance& instance, const ParamSettings& settings,
                                  const FrameContext& context) {
    InstanceParams& values = tonedot::Params(instance);
    for (const ParamInfo& info : params_->All()) {
        if (info.index == 0 || !info.Settable()) continue;
        auto it = settings.find(info.index);
        const ParamValue value = it != settings.end() ? it->second : RegisteredValue(info);
        PF_ParamDef def = ToHostDef(info, value, context.layerWidth, context.layerHeight);
        if (info.kind == ParamKind::Point) {
            // The host reports points in the pixels of the current downsampling.
            def.u.td.x_value = static_cast<PF_Fixed>(std::lround(def.u.td.x_value / static_cast<double>(context.downsampleX)));
            def.u.td.y_value = static_cast<PF_Fixed>(std::lround(def.u.td.y_value / static_cast<double>(context.downsampleY)));
        }
        values.SetValue(info.index, def.u);
    }
}

void EffectSession::UpdateParamsUI(Instance& instance) {
    const CallResult r = SendUpdateParamsUI(*host_, instance);
    if (r.err != PF_Err_NONE)
        throw RenderError("PF_Cmd_UPDATE_PARAMS_UI failed: " + HostErrorText(r.err, r.Message()) + ".");
}

namespace {

void SetContext(Instance& instance, const FrameContext& context) {
    InstanceContext& c = instance.context;
    c.width = context.layerWidth;
    c.height = context.layerHeight;
    c.quality = context.highQuality ? PF_Quality_HI : PF_Quality_LO;
    c.timeStep = context.timeStep;
    c.timeScale = context.timeScale;
    c.currentTime = static_cast<A_long>(context.frame * context.timeStep);
    c.totalTime = static_cast<A_long>((context.frame + 1) * context.timeStep);
    c.downsampleX = {1, static_cast<A_u_long>(context.downsampleX)};
    c.downsampleY = {1, static_cast<A_u_long>(context.downsampleY)};
    c.extentHint = {0, 0, 0, 0};
}

}  // namespace

PreparedFrame EffectSession::Prepare(Instance& instance, const FrameContext& context,
                                     const FrameLayers& layers) {
    PreparedFrame frame;
    frame.context = context;
    SetContext(instance, context);
    frame.input = ToHostImage(*layers.input);
    frame.instance = &instance;
    InstanceParams& values = tonedot::Params(instance);
    for (const ParamInfo& info : params_->All()) {
        if (info.index == 0 || info.kind != ParamKind::Layer) continue;
        auto it = layers.layers.find(info.index);
        const Picture* picture = it != layers.layers.end() ? it->second : nullptr;
        if (picture == layers.input) {
            // The layer itself: the input's image serves both.
            frame.selfLayers.push_back(info.index);
            values.SetLayer(info.index, frame.input->World());
            continue;
        }
        if (picture) frame.layers[info.index] = ToHostImage(*picture);
        values.SetLayer(info.index, picture ? frame.layers[info.index]->World() : nullptr);
    }
    return frame;
}

PreparedFrame EffectSession::Prepare(Instance& instance, const FrameContext& context,
                                     std::unique_ptr<Image> input, const std::vector<int>& selfLayers) {
    PreparedFrame frame;
    frame.context = context;
    SetContext(instance, context);
    frame.input = std::move(input);
    frame.instance = &instance;
    InstanceParams& values = tonedot::Params(instance);
    for (const ParamInfo& info : params_->All()) {
        if (info.index == 0 || info.kind != ParamKind::Layer) continue;
        const bool self = std::find(selfLayers.begin(), selfLayers.end(), info.index) != selfLayers.end();
        if (self) frame.selfLayers.push_back(info.index);
        values.SetLayer(info.index, self ? frame.input->World() : nullptr);
    }
    return frame;
}

std::unique_ptr<Image> EffectSession::RenderImage(Instance& instance, PreparedFrame& frame) {
    RenderJob job;
    job.instance = &instance;
    job.input = frame.input.get();
    for (auto& layer : frame.layers) job.layers[layer.first] = layer.second.get();
    for (int index : frame.selfLayers) job.layers[index] = frame.input.get();
    RenderOutcome outcome;
    if (frame.context.smartPath) {
        outcome = RenderSmart(*host_, job);
    } else {
        const InstanceContext& c = instance.context;
        ParamArray array = tonedot::Params(instance).MakeParamArray(c.currentTime, c.timeScale);
        job.params = array.data();
        job.paramCount = static_cast<A_long>(array.defs.size());
        outcome = RenderPlain(*host_, job);
    }
    if (outcome.err != PF_Err_NONE) {
        if (outcome.err == PF_Interrupt_CANCEL && StopRequested())
            throw Error(ErrorKind::Stopped, "interrupted; nothing more was written.");
        throw RenderError("the effect failed on frame " + std::to_string(frame.context.frame) + ": " +
                          HostErrorText(outcome.err, outcome.message) + ".");
    }
    if (StopRequested()) throw Error(ErrorKind::Stopped, "interrupted; nothing more was written.");
    if (!outcome.output) throw RenderError("the effect rendered no output.");
    return std::move(outcome.output);
}

namespace {

// The output on a transparent picture of the layer's size.
Picture PlaceOnLayer(const Image& output, int width, int height) {
    Picture result(DepthFromFormat(output.Format()), width, height);
    const PF_EffectWorld& out = *output.World();
    const std::size_t bpp = static_cast<std::size_t>(BytesPerPixelOf(result.GetDepth()));
    const int x0 = std::max(0, static_cast<int>(out.origin_x)), x1 = std::min(width, static_cast<int>(out.origin_x + out.width));
    for (int y = 0; y < out.height && x0 < x1; ++y) {
        const int ty = y + out.origin_y;
        if (ty < 0 || ty >= height) continue;
        std::memcpy(result.Data() + static_cast<std::size_t>(ty) * result.RowBytes() + static_cast<std::size_t>(x0) * bpp,
                    reinterpret_cast<const unsigned char*>(out.data) + static_cast<std::size_t>(y) * out.rowbytes +
                        static_cast<std::size_t>(x0 - out.origin_x) * bpp,
                    static_cast<std::size_t>(x1 - x0) * bpp);
    }
    return result;
}

}  // namespace

PixelView RenderedFrame::View() const {
    if (!output_) return placed_.View();
    const PF_EffectWorld& w = *output_->World();
    return {DepthFromFormat(output_->Format()), w.width, w.height, reinterpret_cast<const unsigned char*>(w.data),
            static_cast<std::size_t>(w.rowbytes)};
}

Picture RenderedFrame::ToPicture() const {
    if (!output_) return placed_;
    const PixelView v = View();
    Picture p(v.depth, v.width, v.height);
    p.CopyFromWorld(*output_->World());
    return p;
}

RenderedFrame EffectSession::RenderFrame(Instance& instance, PreparedFrame& frame) {
    std::unique_ptr<Image> output = RenderImage(instance, frame);
    // What the output does not cover is transparent.
    const int width = frame.input->Width(), height = frame.input->Height();
    const PF_EffectWorld& w = *output->World();
    if (w.origin_x == 0 && w.origin_y == 0 && w.width == width && w.height == height)
        return RenderedFrame(std::move(output), Picture());
    return RenderedFrame(nullptr, PlaceOnLayer(*output, width, height));
}

Picture EffectSession::Render(Instance& instance, PreparedFrame& frame) {
    return RenderFrame(instance, frame).ToPicture();
}

int EffectSession::RunOptionsDialog(Instance& instance, int control) {
    std::vector<std::string> transcript;
    const CallResult r = RunOptionsDialogCommand(*host_, instance, std::to_string(control), &transcript);
    if (r.err != PF_Err_NONE)
        throw RenderError("PF_Cmd_DO_DIALOG failed: " + HostErrorText(r.err, r.Message()) + ".");
    int endCode = -1;
    for (const std::string& line : transcript)
        if (line.compare(0, 4, "end ") == 0) endCode = std::atoi(line.c_str() + 4);
    return endCode;
}

}  // namespace tonedot::session
