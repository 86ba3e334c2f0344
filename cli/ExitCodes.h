// The exit codes of the tonedot program, and the error that carries one to main().
#pragma once
#include <cstdio>
#include <stdexcept>
#include <string>

#include "session/Errors.h"

namespace tonedot::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitInternal = 1,   // a fault of the program itself
    kExitUsage = 2,      // bad command, option, parameter name or value
    kExitIO = 3,         // an image or file could not be read or written
    kExitRender = 4,     // the effect library could not be loaded or a host command failed
    kExitMemory = 5,     // a frame needs more memory than the machine has
    kExitCancelled = 130 // interrupted by Ctrl-C (other signals: 128 + the signal); no partial file
};

// Thrown wherever a command cannot go on; main() prints "tonedot: <message>" and exits
// with the code.
class CliError : public std::runtime_error {
public:
    CliError(ExitCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    ExitCode Code() const { return code_; }

private:
    ExitCode code_;
};

// "tonedot: warning: <message>" on standard error; the run goes on.
inline void Warn(const std::string& message) {
    std::fprintf(stderr, "tonedot: warning: %s\n", message.c_str());
}

inline CliError UsageError(const std::string& message) { return CliError(kExitUsage, message); }
inline CliError IOError(const std::string& message) { return CliError(kExitIO, message); }
inline CliError RenderError(const std::string& message) { return CliError(kExitRender, message); }

// A session's error as the command line reports it: usage 2, files 3, the effect 4, a stop
// by an interrupt 128 + the signal.
CliError ToCliError(const session::Error& error);

}  // namespace tonedot::cli
