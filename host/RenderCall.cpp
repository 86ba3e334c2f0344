#include "host/RenderCall.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace tonedot {
namespace {

constexpr A_long kSizeProbeOffset = 1000000;

bool Empty(const PF_LRect& r) { return r.left >= r.right || r.top >= r.bottom; }

PF_LRect Intersect(const PF_LRect& a, const PF_LRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

short BitDepth(PF_PixelFormat format) {
    switch (format) {
        case PF_PixelFormat_ARGB64: return 16;
        case PF_PixelFormat_ARGB128: return 32;
        default: return 8;
    }
}

// The smart frame being rendered on this thread; the render callbacks find it here.
struct SmartFrame {
    const RenderJob* job;
    RenderOutcome* outcome;
    std::map<A_long, LayerCheckout> checkouts;  // by checkout id
    std::map<A_long, std::unique_ptr<Image>> pixels;  // checked-out pixels by checkout id
    std::unique_ptr<Image> output;
    PF_LRect outputRect{};
};
thread_local SmartFrame* tFrame = nullptr;

const Image* LayerImage(const RenderJob& job, PF_ParamIndex index) {
    if (index == 0) return job.input;
    auto it = job.layers.find(index);
    return it == job.layers.end() ? nullptr : it->second;
}

PF_Err CheckoutLayer(PF_ProgPtr ref, PF_ParamIndex index, A_long checkoutId,
                     const PF_RenderRequest* request, A_long /*time*/, A_long /*step*/,
                     A_u_long /*scale*/, PF_CheckoutResult* result) {
    SmartFrame* frame = tFrame;
    if (!frame || !Instance::FromRef(ref) || !request || !result) return PF_Err_BAD_CALLBACK_PARAM;
    if (frame->checkouts.count(checkoutId)) return PF_Err_BAD_CALLBACK_PARAM;  // id reused
    if (checkoutId == frame->job->failCheckoutId) return PF_Err_OUT_OF_MEMORY;
    std::memset(result, 0, sizeof *result);
    LayerCheckout checkout{index, checkoutId, request->rect, {}, false};
    const Image* image = LayerImage(*frame->job, index);
    if (image) {
        const PF_LRect bounds = {0, 0, image->Width(), image->Height()};
        result->result_rect = Empty(request->rect) ? PF_LRect{0, 0, 0, 0}
                                                   : Intersect(request->rect, bounds);
        if (Empty(result->result_rect)) result->result_rect = {0, 0, 0, 0};
        result->max_result_rect = bounds;
        result->ref_width = image->Width();
        result->ref_height = image->Height();
    } else {
        checkout.none = true;
    }
    result->par = {1, 1};
    checkout.result = *result;
    frame->checkouts[checkoutId] = checkout;
    frame->outcome->checkouts.push_back(checkout);
    return PF_Err_NONE;
}

PF_Err GuidMixIn(PF_ProgPtr, A_u_long, const void*) { return PF_Err_NONE; }

PF_Err CheckoutLayerPixels(PF_ProgPtr ref, A_long checkoutId, PF_EffectWorld** pixels) {
    SmartFrame* frame = tFrame;
    if (!frame || !Instance::FromRef(ref) || !pixels) return PF_Err_BAD_CALLBACK_PARAM;
    *pixels = nullptr;
    auto it = frame->checkouts.find(checkoutId);
    if (it == frame->checkouts.end()) return PF_Err_BAD_CALLBACK_PARAM;  // never checked out
    frame->outcome->pixelCheckouts.push_back(checkoutId);
    if (it->second.none) return PF_Err_NONE;  // a layer set to none: success, no world
    const Image* image = LayerImage(*frame->job, it->second.index);
    auto& held = frame->pixels[checkoutId];
    if (!held) held = std::make_unique<Image>(*image, it->second.result.result_rect);  // a view
    *pixels = held->World();
    return PF_Err_NONE;
}

PF_Err CheckinLayerPixels(PF_ProgPtr ref, A_long checkoutId) {
    SmartFrame* frame = tFrame;
    if (!frame || !Instance::FromRef(ref)) return PF_Err_BAD_CALLBACK_PARAM;
    auto it = frame->pixels.find(checkoutId);
    if (it != frame->pixels.end()) frame->pixels.erase(it);
    return PF_Err_NONE;
}

PF_Err CheckoutOutput(PF_ProgPtr ref, PF_EffectWorld** output) {
    SmartFrame* frame = tFrame;
    if (!frame || !Instance::FromRef(ref) || !output) return PF_Err_BAD_CALLBACK_PARAM;
    *output = nullptr;
    if (frame->job->failOutputCheckout) return PF_Err_OUT_OF_MEMORY;
    if (!frame->output) {
        const PF_LRect& r = frame->outputRect;
        // What the host hands out is not cleared.
        frame->output = std::make_unique<Image>(frame->job->input->Format(), r.right - r.left,
                                                r.bottom - r.top, r.left, r.top,
                                                Image::Uncleared{0x5A});
    }
    *output = frame->output->World();
    return PF_Err_NONE;
}

PF_PreRenderCallbacks kPreRenderCallbacks = {&CheckoutLayer, &GuidMixIn};
PF_SmartRenderCallbacks kSmartRenderCallbacks = {&CheckoutLayerPixels, &CheckinLayerPixels,
                                                 &CheckoutOutput};

// Sends a render command with the job's frame time.
CallResult SendFrame(Host& host, Instance& instance, const RenderJob& job, PF_Cmd cmd,
                     PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    PF_InData in = host.MakeInData(instance);
    if (job.currentTime >= 0) in.current_time = job.currentTime;
    return host.SendWith(cmd, &in, params, output, extra);
}

// Makes a frame the calling thread's for its lifetime.
struct FrameScope {
    explicit FrameScope(SmartFrame* frame) : previous(tFrame) { tFrame = frame; }
    ~FrameScope() { tFrame = previous; }
    SmartFrame* previous;
};

}  // namespace

RenderOutcome RenderSmart(Host& host, const RenderJob& job) {
    RenderOutcome outcome;
    Instance& instance = job.instance ? *job.instance : host.Main();
    SmartFrame frame{&job, &outcome, {}, {}, nullptr, {}};
    FrameScope scope(&frame);

    const PF_LRect whole = {0, 0, job.input->Width(), job.input->Height()};
    PF_PreRenderInput preInput{};
    preInput.output_request.rect = Empty(job.request) ? whole : job.request;
    preInput.output_request.field = PF_Field_FRAME;
    preInput.output_request.channel_mask = PF_ChannelMask_ARGB;
    preInput.bitdepth = BitDepth(job.input->Format());
    PF_PreRenderOutput& preOutput = outcome.preRender;
    PF_PreRenderExtra preExtra = {&preInput, &preOutput, &kPreRenderCallbacks};

    CallResult pre =
        SendFrame(host, instance, job, PF_Cmd_SMART_PRE_RENDER, nullptr, nullptr, &preExtra);
    outcome.preRenderErr = outcome.err = pre.err;
    outcome.message = pre.Message();

    if (pre.err == PF_Err_NONE) {
        frame.outputRect = preOutput.result_rect;
        PF_SmartRenderInput smartInput{};
        smartInput.output_request = preInput.output_request;
        smartInput.bitdepth = preInput.bitdepth;
        smartInput.pre_render_data = preOutput.pre_render_data;
        PF_SmartRenderExtra smartExtra = {&smartInput, &kSmartRenderCallbacks};
        CallResult render =
            SendFrame(host, instance, job, PF_Cmd_SMART_RENDER, nullptr, nullptr, &smartExtra);
        outcome.err = render.err;
        outcome.message = render.Message();
    }
    // The host checks in what the effect left and drops the pre-render data.
    outcome.leftCheckedOut = static_cast<int>(frame.pixels.size());
    frame.pixels.clear();
    if (preOutput.pre_render_data && preOutput.delete_pre_render_data_func) {
        Host::ThreadScope hostScope(host);
        preOutput.delete_pre_render_data_func(preOutput.pre_render_data);
        outcome.preRenderDataDeleted = true;
    }
    outcome.output = std::move(frame.output);
    return outcome;
}

RenderOutcome RenderPlain(Host& host, const RenderJob& job) {
    RenderOutcome outcome;
    Instance& instance = job.instance ? *job.instance : host.Main();
    // The input layer as parameter 0; the rest of the array is the caller's.
    PF_ParamDef inputDef;
    std::memset(&inputDef, 0, sizeof inputDef);
    inputDef.param_type = PF_Param_LAYER;
    inputDef.u.ld = *job.input->World();
    std::vector<PF_ParamDef*> params;
    params.push_back(&inputDef);
    for (A_long i = 1; job.params && i < job.paramCount; ++i) params.push_back(job.params[i]);
    params.push_back(nullptr);

    outcome.output = std::make_unique<Image>(job.input->Format(), job.input->Width(),
                                             job.input->Height(), 0, 0, Image::Uncleared{0x5A});
    CallResult r =
        SendFrame(host, instance, job, PF_Cmd_RENDER, params.data(), outcome.output->World(),
                  nullptr);
    outcome.err = r.err;
    outcome.message = r.Message();
    return outcome;
}

void RenderConcurrently(Host& host, int count, const std::function<void(int)>& frame,
                        const std::function<void()>& stop) {
    if (!host.GlobalSetupDone()) host.Send(PF_Cmd_GLOBAL_SETUP);
    std::vector<std::thread> threads;
    threads.reserve(count);
    try {
        for (int i = 0; i < count; ++i) threads.emplace_back(frame, i);
    } catch (...) {
        if (stop) stop();
        for (std::thread& t : threads) t.join();
        throw;
    }
    for (std::thread& t : threads) t.join();
}

}  // namespace tonedot
