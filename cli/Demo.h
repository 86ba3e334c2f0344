// `tonedot demo`: the built-in test card rendered in a handful of looks.
#pragma once
#include "cli/CommandLine.h"

namespace tonedot::cli {

CommandDef DemoCommandDef();
int RunDemoCommand(const ParsedArgs& args);

}  // namespace tonedot::cli
