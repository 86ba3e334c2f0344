// One frei0r filter instance: an effect instance of the process's session, driven for
// every frame as the tonedot command line drives it (parameters applied, the parameter UI
// updated when they change, the frame prepared and rendered through the smart-render
// protocol), with the host's RGBA frames converted on the way in and out.
#pragma once
#include <cmath>
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
    // The frame rate for a frame at `seconds`: Frame Rate when set, else the rate of the
    // smallest spacing of the host's times so far (kFrei0rDefaultFrameRate before there
    // is one).
    double RateAt(double seconds);
    // The frame number the host's time stands for at `rate`, plus Start Frame.  When the
    // time is no time of a clip (not finite, or beyond every frame: hosts pass such times
    // for frames without a timestamp), the filter's calls are counted instead (with a
    // message once); a time before the first frame is frame 0 (with a message).
    long FrameAt(double seconds, double rate, A_long timeStep);
    // Whether a host's value for a parameter it has not set (the value read back, or the
    // default) leaves it unset.
    bool LeavesUnset(const Frei0rParam& p, const void* param) const;
    session::ParamValue Current(const session::ParamInfo& info) const;
    // The settings the effect gets for a frame: with Relative Sizes, sizes in pixels.
    session::ParamSettings FrameSettings() const;
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
    double frameRate_ = 0;         // 0: from the spacing of the host's times
    double lastSeconds_ = NAN;     // the last real time the host gave
    double spacing_ = INFINITY;    // the smallest spacing of the host's times so far
    long calls_ = 0;               // frames rendered, counted when the times are not real
    bool counting_ = false;        // the last time was not real (and that was said)
    long startFrame_ = 0;
    bool relativeSizes_ = false;
    bool changed_ = true;           // settings changed since the parameter UI was updated
    std::unique_ptr<Image> input_;  // the host image of the frame, kept between frames
    bool printScreen_ = false;
    double screenPitch_ = kFrei0rDefaultPitch;
    double blackGeneration_ = print::kDefaultBlackGeneration;
    std::unique_ptr<print::ScreenRenderer> screens_;  // made for the first print-screen frame
};

}  // namespace tonedot::frei0r
