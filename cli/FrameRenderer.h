// One frame of `tonedot render` on a worker: read, check its memory, render, write.
#pragma once
#include <string>

#include "cli/LayerFiles.h"
#include "cli/RenderPlan.h"
#include "session/EffectSession.h"
#include "cli/Names.h"

namespace tonedot::cli {

class FrameRenderer {
public:
    FrameRenderer(EffectSession& session, const RenderPlan& plan, const ParamSettings& settings);

    // Reads, renders and writes one frame on the calling thread's instance.
    void Run(Instance& instance, long frame);

private:
    EffectSession& session_;
    const RenderPlan& plan_;
    const ParamSettings& settings_;
    LayerFiles files_;
    int layerFiles_ = 0;
};

}  // namespace tonedot::cli
