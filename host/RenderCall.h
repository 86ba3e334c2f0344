// One frame rendered through the stand-in host, by either of the host's render paths:
// PF_Cmd_RENDER, or the smart-render protocol (PF_Cmd_SMART_PRE_RENDER, then
// PF_Cmd_SMART_RENDER with its layer and output checkouts).  Afterwards the host checks in
// whatever the effect left checked out and deletes the pre-render data, as the real host does.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "AEUtil/HostApi.h"
#include "host/Host.h"
#include "host/Image.h"

namespace tonedot {

struct RenderJob {
    Instance* instance = nullptr;  // the host's main instance when null
    // The layer the effect is applied to, whole, at the current downsampling.
    const Image* input = nullptr;
    // The smart path's output request; an empty one asks for the whole layer.
    PF_LRect request = {0, 0, 0, 0};
    // The images of the other layer parameters by host index; a missing or null entry is a
    // parameter set to none.  (The plain path checks layers out through the parameter
    // services instead.)
    std::map<PF_ParamIndex, const Image*> layers;
    // The plain path's parameter array of `paramCount` entries; index 0 is replaced by the
    // input layer.
    PF_ParamDef** params = nullptr;
    A_long paramCount = 0;
    // Failures the host can inject into the smart path's callbacks: checkout_output, and
    // checkout_layer for one checkout id (none when negative).
    bool failOutputCheckout = false;
    A_long failCheckoutId = -1;
    // The frame's time (in_data->current_time); negative: the instance's
    // context.currentTime.  Lets several threads render different frames of one instance.
    A_long currentTime = -1;
};

// One checkout_layer call of the pre-render.
struct LayerCheckout {
    PF_ParamIndex index;
    A_long checkoutId;
    PF_LRect request;
    PF_CheckoutResult result;
    bool none;  // the parameter was set to none
};

struct RenderOutcome {
    PF_Err err = PF_Err_NONE;           // the last command's result
    PF_Err preRenderErr = PF_Err_NONE;  // smart path: the pre-render's result
    std::string message;
    std::unique_ptr<Image> output;
    PF_PreRenderOutput preRender{};   // smart path: what the pre-render answered
    std::vector<LayerCheckout> checkouts;
    std::vector<A_long> pixelCheckouts;  // checkout ids whose pixels were taken
    int leftCheckedOut = 0;              // checkouts the host had to check in itself
    bool preRenderDataDeleted = false;
};

// PF_Cmd_SMART_PRE_RENDER and PF_Cmd_SMART_RENDER for one frame.
RenderOutcome RenderSmart(Host& host, const RenderJob& job);
// PF_Cmd_RENDER for one frame; the output has the input's size.
RenderOutcome RenderPlain(Host& host, const RenderJob& job);

// Runs `count` frames at once on as many threads, each with `frame(i)`.  The first command
// (PF_Cmd_GLOBAL_SETUP) has gone to the effect before any thread starts.  When a thread
// cannot be started, `stop` (when given) tells the frames already running to end; they are
// waited for and the std::system_error is thrown.
void RenderConcurrently(Host& host, int count, const std::function<void(int)>& frame,
                        const std::function<void()>& stop = {});

}  // namespace tonedot
