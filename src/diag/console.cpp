// SPDX-License-Identifier: MIT
#include "diag/console.h"

namespace kestrel {

void Console::print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprint(format, args);
    va_end(args);
}

void Console::verbose(const char* format, ...) {
    if (!isVerbose()) return;
    va_list args;
    va_start(args, format);
    vprint(format, args);
    va_end(args);
}

void Console::veryVerbose(const char* format, ...) {
    if (!isVeryVerbose()) return;
    va_list args;
    va_start(args, format);
    vprint(format, args);
    va_end(args);
}

void Console::vprint(const char* format, va_list args) {
    if (out_ == nullptr) return;
    std::vfprintf(out_, format, args);
    unflushed_ = true;
}

void Console::flush() {
    // Callers flush at fixed points, several times per chunk; most of the time
    // nothing was printed since the last one.
    if (!unflushed_ || out_ == nullptr) return;
    std::fflush(out_);
    unflushed_ = false;
}

}  // namespace kestrel
