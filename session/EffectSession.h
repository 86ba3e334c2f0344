// The effect library driven through the stand-in host, as the host drives it: the library
// is loaded from its path, PF_Cmd_GLOBAL_SETUP and PF_Cmd_PARAMS_SETUP go first (before
// any render thread), every instance gets PF_Cmd_SEQUENCE_SETUP, and frames are rendered
// through the smart-render protocol or PF_Cmd_RENDER.
#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "session/ParamValue.h"
#include "session/Picture.h"
#include "session/Presets.h"
#include "session/RegisteredParams.h"
#include "host/Host.h"
#include "host/Image.h"

namespace tonedot::session {

// The effect library to load: `explicitPath` when given, else $TONEDOT_EFFECT, else the
// library beside the program, else the one installed with it (../lib/tonedot/ from the
// program's folder), else the one this program was built with.
std::string FindEffectLibrary(const std::string& explicitPath);

// The folder of the running program ("" when it cannot be told).
std::string ProgramFolder();

// How the host presents one frame to the effect.
struct FrameContext {
    int layerWidth = 0, layerHeight = 0;  // full-resolution layer size
    int downsampleX = 1, downsampleY = 1; // the host's downsampling is 1/x by 1/y
    bool highQuality = true;
    bool smartPath = true;
    long frame = 0;                       // frame number
    A_u_long timeScale = 24;              // time units per second
    A_long timeStep = 1;                  // time units per frame
};

// Frame rates the host runs at: above 0 and at most this many frames per second.
constexpr double kMaxFrameRate = 1000.0;

// The time units of a frame rate: a whole rate counts frames in its own units (25 fps is a
// time scale of 25 with a step of 1), any other in thousandths (29.97 is 29970 and 1000).
void SetFrameRate(FrameContext& context, double fps);

// The images of one frame at the current downsampling: the input and each layer
// parameter's image (a missing or null entry is a layer set to none).
struct FrameLayers {
    const Picture* input = nullptr;
    std::map<int, const Picture*> layers;  // by host index
};

// A frame handed to an instance: the host's own copies of its images, and its context.
// While it exists the instance's layer parameters point at its images; when it goes they
// are set back to none, so that no later command sees images that are gone.
struct PreparedFrame {
    PreparedFrame() = default;
    PreparedFrame(PreparedFrame&& other) noexcept;
    PreparedFrame& operator=(PreparedFrame&&) = delete;
    ~PreparedFrame();

    FrameContext context;
    std::unique_ptr<Image> input;
    std::map<int, std::unique_ptr<Image>> layers;  // by host index; none are absent
    std::vector<int> selfLayers;                   // layer parameters showing the input itself
    Instance* instance = nullptr;                  // whose layer parameters show the images
};

// A rendered frame: the host's output image when it covers the layer exactly (no copy),
// else the output placed on a transparent picture of the layer's size.
class RenderedFrame {
public:
    RenderedFrame(std::unique_ptr<Image> output, Picture placed)
        : output_(std::move(output)), placed_(std::move(placed)) {}
    PixelView View() const;
    Picture ToPicture() const;

private:
    std::unique_ptr<Image> output_;  // null when placed_ holds the frame
    Picture placed_;
};

// Where sessions send warnings (the front end's standard error); null: nowhere.  Set it
// before sessions start.
void SetWarningSink(void (*sink)(const std::string& message));

class EffectSession {
public:
    // Loads the library, sends PF_Cmd_GLOBAL_SETUP and PF_Cmd_PARAMS_SETUP.  With
    // `factoryDefaults` the effect finds no stored defaults while it registers its
    // parameters; a settings file the effect cannot read (larger than 1 MiB, not a file,
    // not text) is named in a warning.  Throws an Effect error when the library cannot be
    // loaded or a command fails.
    EffectSession(const std::string& libraryPath, bool factoryDefaults);
    // The same for an effect linked into the calling program.
    EffectSession(EntryPointFn entry, bool factoryDefaults);
    ~EffectSession();
    EffectSession(const EffectSession&) = delete;
    EffectSession& operator=(const EffectSession&) = delete;

    Host& GetHost() { return *host_; }
    const RegisteredParams& Params() const { return *params_; }

    // PF_Cmd_ABOUT: the About text, line breaks as "\n".
    std::string About();

    // A new effect instance with its sequence data (PF_Cmd_SEQUENCE_SETUP).
    Instance& NewInstance();
    // The effect removed from an instance (PF_Cmd_SEQUENCE_SETDOWN), which the host then
    // forgets.  Instances may come and go on several threads.
    void RemoveInstance(Instance& instance);

    // Gives the instance the parameter values of `settings` (registered values where it
    // has none) for a frame of the context's layer size and downsampling: points are
    // given in full-resolution pixels or percent and the host reports them in downsampled
    // pixels.  Layer parameters are left to Prepare.
    void ApplySettings(Instance& instance, const ParamSettings& settings, const FrameContext& context);

    // PF_Cmd_UPDATE_PARAMS_UI, as the host sends it after values change (the effect
    // enables and disables controls; the host keeps the flags).
    void UpdateParamsUI(Instance& instance);

    // Time, size, quality and downsampling in the instance's context, and the host's
    // copies of the frame's images as the input and the layer parameters.
    PreparedFrame Prepare(Instance& instance, const FrameContext& context, const FrameLayers& layers);
    // The same with the host's image of the input given (8-bit, 16-bit or float ARGB at the
    // downsampling), for callers that fill it themselves; `selfLayers` are the layer
    // parameters set to the input, the others are none.  The image comes back in the
    // prepared frame's `input`.
    PreparedFrame Prepare(Instance& instance, const FrameContext& context, std::unique_ptr<Image> input,
                          const std::vector<int>& selfLayers);

    // Renders the prepared frame; the result has the layer's size at the downsampling.
    // Throws an Effect error naming the host error, or a Stopped error when the monitor
    // asked the render to stop.
    Picture Render(Instance& instance, PreparedFrame& frame);
    // The same without a copy when the output covers the layer.
    RenderedFrame RenderFrame(Instance& instance, PreparedFrame& frame);
    // The same, the effect's output world as it rendered it: it may cover less than the
    // layer (origin_x, origin_y place it), and what it does not cover is transparent.
    std::unique_ptr<Image> RenderImage(Instance& instance, PreparedFrame& frame);

    // PF_Cmd_DO_DIALOG with the options dialog answered by pressing `control`
    // (IDC_OPTIONS_SAVE or IDC_OPTIONS_RESTORE of resources/OptionDialogIds.h).  Returns
    // the dialog's end code (1 saved, 2 restored, 0 nothing).
    int RunOptionsDialog(Instance& instance, int control);

private:
    void Start(bool factoryDefaults);
    void Send(PF_Cmd cmd, Instance& instance, const char* what);

    std::unique_ptr<Host> host_;
    std::unique_ptr<RegisteredParams> params_;
    std::mutex instancesMutex_;
    std::vector<Instance*> instances_;
};

// "PF_Err_OUT_OF_MEMORY (4): <the effect's message>".
std::string HostErrorText(PF_Err err, const std::string& message);

}  // namespace tonedot::session
