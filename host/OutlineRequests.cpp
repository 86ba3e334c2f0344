#include "host/OutlineRequests.h"

#include "AEUtil/OutlineSuite.h"
#include "host/Host.h"

namespace tonedot {

// The open request of an instance, if any.
struct OutlineState {
    explicit OutlineState(Instance&) {}
    std::mutex mutex;
    OutlineRequest* request = nullptr;

    static OutlineState* Of(PF_ProgPtr ref) {
        Instance* instance = Instance::FromRef(ref);
        return instance ? &instance->Extension<OutlineState>() : nullptr;
    }
    static void MarkAsked(OutlineRequest& request) { request.asked_ = true; }
    static void Deliver(OutlineRequest& request, const double* points, A_long count, const double* rgba) {
        ++request.count_;
        request.receiver_(points, count, rgba);
    }
};

namespace {

A_Boolean WantsOutlines(PF_ProgPtr ref) {
    OutlineState* state = OutlineState::Of(ref);
    if (!state) return false;
    std::lock_guard<std::mutex> lock(state->mutex);
    if (!state->request) return false;
    OutlineState::MarkAsked(*state->request);
    return true;
}

PF_Err AddOutline(PF_ProgPtr ref, const double* points, A_long count, const double* rgba) {
    OutlineState* state = OutlineState::Of(ref);
    if (!state || !rgba || count < 0 || (count > 0 && !points)) return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard<std::mutex> lock(state->mutex);
    if (!state->request) return PF_Err_BAD_CALLBACK_PARAM;
    try {
        OutlineState::Deliver(*state->request, points, count, rgba);
    } catch (...) {
        return PF_Err_OUT_OF_MEMORY;
    }
    return PF_Err_NONE;
}

const TonedotOutlineSuite1 kOutlineSuite1 = {&WantsOutlines, &AddOutline};

}  // namespace

void InstallOutlineSuite(Host& host) {
    host.Suites().Provide(kTonedotOutlineSuite, kTonedotOutlineSuiteVersion1, &kOutlineSuite1);
}

OutlineRequest::OutlineRequest(Instance& instance, OutlineReceiver receiver)
    : instance_(instance), receiver_(std::move(receiver)) {
    OutlineState& state = instance_.Extension<OutlineState>();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.request = this;
}

OutlineRequest::~OutlineRequest() {
    OutlineState& state = instance_.Extension<OutlineState>();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.request == this) state.request = nullptr;
}

}  // namespace tonedot
