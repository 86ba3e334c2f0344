// `tonedot render`: images and numbered sequences through the effect.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/EffectSession.h"
#include "cli/FrameSequence.h"
#include "cli/Presets.h"

namespace tonedot::cli {

// What every command that takes parameter values accepts: --preset, --set, --layer.
// Presets apply first, in order, then --set and --layer values in order.
ParamSettings SettingsFromArgs(const RegisteredParams& params, const ParsedArgs& args);

// Frame rate as time units: "24", "29.97", "30000/1001".  Throws a usage CliError.
void ParseFrameRate(const std::string& text, A_u_long& timeScale, A_long& timeStep);

CommandDef RenderCommandDef();
int RunRenderCommand(const ParsedArgs& args);

}  // namespace tonedot::cli
