// The tonedot program: its commands, their options and help, and what each does.
#pragma once
#include <string>
#include <vector>

namespace tonedot::cli {

// Runs the program on its arguments (program name first) and returns the exit code.
int RunMain(int argc, char** argv);
int Run(const std::vector<std::string>& args);

}  // namespace tonedot::cli
