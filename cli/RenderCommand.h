// `tonedot render`: images and numbered sequences through the effect.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "session/EffectSession.h"
#include "cli/FrameSequence.h"
#include "session/Presets.h"
#include "cli/Names.h"

namespace tonedot::cli {

// What every command that takes parameter values accepts: --preset, --set, --layer.
// Presets apply first, in order, then --set and --layer values in order.
ParamSettings SettingsFromArgs(const RegisteredParams& params, const ParsedArgs& args);

CommandDef RenderCommandDef();
int RunRenderCommand(const ParsedArgs& args);

}  // namespace tonedot::cli
