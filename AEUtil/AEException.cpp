#include "AEUtil/AEException.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace AEUtil {
namespace {

// "file(line): " followed by the formatted description, the whole bounded by the buffer.
void FormatMessage(char (&message)[kExceptionMessageSize], const char* file, int line,
                   const char* format, va_list args) {
    const int written = std::snprintf(message, sizeof message, "%s(%d): ", file ? file : "", line);
    const size_t used = written < 0 ? 0
                        : static_cast<size_t>(written) < sizeof message
                            ? static_cast<size_t>(written)
                            : sizeof message - 1;
    message[used] = '\0';
    if (format && used < sizeof message - 1) {
        std::vsnprintf(message + used, sizeof message - used, format, args);
    }
}

}  // namespace

AEException::AEException(PF_Err code, int line, const char* file, const char* format, ...)
    : code_(code) {
    va_list args;
    va_start(args, format);
    FormatMessage(message_, file, line, format, args);
    va_end(args);
    whatBuffer_[0] = '\0';
}

AEException::~AEException() = default;

const char* AEException::what() const noexcept {
    std::memcpy(whatBuffer_, message_, sizeof whatBuffer_);
    return whatBuffer_;
}

const char* AEException::Message() const noexcept { return message_; }

Win32Exception::Win32Exception(uint32_t code, const char* file, int line, const char* format,
                               ...)
    : code_(code) {
    va_list args;
    va_start(args, format);
    FormatMessage(message_, file, line, format, args);
    va_end(args);
}

Win32Exception::~Win32Exception() = default;

const char* Win32Exception::what() const noexcept { return message_; }

}  // namespace AEUtil
