// The errors of a session: what went wrong, by kind, with a message for the user.  A front
// end decides what each kind means to its users (the command line maps them to exit codes).
#pragma once
#include <stdexcept>
#include <string>

namespace tonedot::session {

enum class ErrorKind {
    Usage,    // a bad parameter name or value, preset or profile
    File,     // a file could not be read or written
    Effect,   // the effect library could not be loaded or a host command failed
    Stopped,  // the render monitor asked the render to stop
};

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    ErrorKind Kind() const { return kind_; }

private:
    ErrorKind kind_;
};

inline Error UsageError(const std::string& message) { return Error(ErrorKind::Usage, message); }
inline Error IOError(const std::string& message) { return Error(ErrorKind::File, message); }
inline Error RenderError(const std::string& message) { return Error(ErrorKind::Effect, message); }

}  // namespace tonedot::session
