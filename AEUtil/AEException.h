// The framework's exception types.  The entry point turns them into a host error code and a
// message in PF_OutData::return_msg.
#pragma once
#include <cstdint>
#include <exception>
#include "AEUtil/HostApi.h"

namespace AEUtil {

// Size of the buffers the messages are formatted into.
constexpr size_t kExceptionMessageSize = 2048;

// A host error code with a message made of "file(line): " and a formatted description.
class AEException : public std::exception {
public:
    AEException(PF_Err code, int line, const char* file, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 5, 6)))
#endif
        ;
    ~AEException() override;
    // Copies the message into a second buffer and returns that.
    const char* what() const noexcept override;
    // The message itself.
    virtual const char* Message() const noexcept;

    PF_Err Code() const noexcept { return code_; }

private:
    PF_Err code_;
    char message_[kExceptionMessageSize];
    mutable char whatBuffer_[kExceptionMessageSize];
};

// A Windows error code with a message of the same form.
class Win32Exception : public std::exception {
public:
    Win32Exception(uint32_t code, const char* file, int line, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 5, 6)))
#endif
        ;
    ~Win32Exception() override;
    const char* what() const noexcept override;

    uint32_t Code() const noexcept { return code_; }

private:
    uint32_t code_;
    char message_[kExceptionMessageSize];
};

}  // namespace AEUtil

// Throws an AEUtil::AEException carrying the current source location.
#define AE_THROW(code, ...) throw AEUtil::AEException((code), __LINE__, __FILE__, __VA_ARGS__)
