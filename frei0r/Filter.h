// One frei0r filter instance: an effect instance of the process's session, driven for
// every frame as the tonedot command line drives it (parameters applied, the parameter UI
// updated when they change, the frame prepared and rendered through the smart-render
// protocol), with the host's RGBA frames converted on the way in and out.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "session/EffectSession.h"
#include "frei0r/Frei0rParams.h"
#include "print/InkScreen.h"
#include "print/Separation.h"

namespace tonedot::frei0r {

// The effect as the process's host holds it: one session (global and parameter setup once,
// as a host does when it loads an effect), every filter instance an effect instance of it.
// Null (with a message on standard error) when the effect could not be set up.  Made on
// first use; ReleaseSession gives it back (at once, or when the last instance goes) and the
// next use makes it again.
session::EffectSession* Session();
const std::vector<Frei0rParam>& SessionParams();
void ReleaseSession();

class Filter {
public:
    // `secondsPerTimeUnit` turns the host's time into seconds (0.001 for a host that
    // counts milliseconds).  Throws a CliError when the effect cannot be set up.
    Filter(unsigned width, unsigned height, double secondsPerTimeUnit);
    ~Filter();
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    // The frei0r value behind `param` (f0r_param_t): double*, f0r_param_color*,
    // char** (the preset path).  Unknown indexes and null values are ignored.
    void SetParam(const void* param, int index);
    void GetParam(void* param, int index);

    // Renders one frame of width x height RGBA pixels (straight alpha) from `in` into `out`;
    // every output pixel is written.  Calls from several threads take turns.
    void Update(double time, const std::uint32_t* in, std::uint32_t* out);

private:
    // The frame number the host's time stands for at the current frame rate; 0 (with a
    // message) for a time that stands for none.
    long FrameAt(double time, A_long timeStep);
    session::ParamValue Current(const session::ParamInfo& info) const;
    void SetPreset(const char* path);
    void Report(std::size_t index, const std::string& message);
    void RenderFrame(double time, const std::uint32_t* in, std::uint32_t* out);
    // The frame as four screened inks over white, as `tonedot separate` draws them.
    void RenderPrintScreen(const session::FrameContext& context, bool changed, const std::uint32_t* in, std::uint32_t* out);

    std::mutex mutex_;
    const unsigned width_, height_;
    const double secondsPerTimeUnit_;
    session::EffectSession* session_;
    Instance* instance_ = nullptr;
    const std::vector<Frei0rParam>& params_;
    std::vector<std::string> reported_;  // the last message of each parameter, then of the time
    std::string presetPath_;
    session::ParamSettings preset_;     // the preset's values
    session::ParamSettings hostSet_;    // values the host set; they win over the preset
    session::ParamSettings settings_;   // both together
    double frameRate_ = kFrei0rDefaultFrameRate;
    bool changed_ = true;           // settings changed since the parameter UI was updated
    std::unique_ptr<Image> input_;  // the host image of the frame, kept between frames
    bool printScreen_ = false;
    double screenPitch_ = kFrei0rDefaultPitch;
    double blackGeneration_ = print::kDefaultBlackGeneration;
    std::unique_ptr<print::ScreenRenderer> screens_;  // made for the first print-screen frame
};

}  // namespace tonedot::frei0r
