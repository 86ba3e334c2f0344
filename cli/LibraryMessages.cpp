// What the image libraries print on standard error by themselves.  libpng's default handlers
// write "libpng warning: ..." and "libpng error: ..." there, past the image library that
// reports the same error in its own message: a warning gets the program's prefix, like every
// other line, and an error is left to that message, so that a refusal stays one line.
//
// The program's own fprintf, its checked variant and fputc stand in for the C library's, so
// the libraries' calls come here (the link exports them); everything else passes through as
// it is.
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

thread_local bool tDroppingError = false;  // libpng ends an error with a newline of its own

int Print(FILE* stream, const char* format, va_list args) {
    if (stream == stderr && format) {
        if (std::strncmp(format, "libpng error", 12) == 0) {
            tDroppingError = true;
            return 0;
        }
        if (tDroppingError && std::strcmp(format, "\n") == 0) {
            tDroppingError = false;
            return 0;
        }
        tDroppingError = false;
        if (std::strncmp(format, "libpng", 6) == 0) std::fputs("tonedot: ", stream);
    }
    return std::vfprintf(stream, format, args);
}

}  // namespace

// The newline after "libpng error: %s" comes as a character of its own.
extern "C" int fputc(int c, FILE* stream) {
    if (tDroppingError && stream == stderr && c == '\n') {
        tDroppingError = false;
        return c;
    }
    tDroppingError = false;
    return std::putc(c, stream);
}

extern "C" int fprintf(FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = Print(stream, format, args);
    va_end(args);
    return n;
}

extern "C" int __fprintf_chk(FILE* stream, int, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = Print(stream, format, args);
    va_end(args);
    return n;
}
