#include "diag/console.h"

#include <cstdarg>

namespace kestrel {

void Console::print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(out_, format, args);
    va_end(args);
}

void Console::verbose(const char* format, ...) {
    if (!isVerbose()) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(out_, format, args);
    va_end(args);
}

void Console::veryVerbose(const char* format, ...) {
    if (!isVeryVerbose()) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(out_, format, args);
    va_end(args);
}

void Console::write(const char* text, std::size_t n) {
    std::fwrite(text, 1, n, out_);
}

void Console::flush() {
    std::fflush(out_);
}

}  // namespace kestrel
