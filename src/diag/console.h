// SPDX-License-Identifier: MIT
#pragma once

#include <cstdarg>
#include <cstdio>

namespace kestrel {

/// Verbosity levels: 0 quiet, 1 after -v, 2 after -V.
enum VerboseLevel : int { kQuiet = 0, kVerbose = 1, kVeryVerbose = 2 };

/// The one place console text goes through. Every message carries one of three
/// guards: print (always), verbose (-v and -V) and veryVerbose (-V only).
/// Output is flushed only where a caller asks for it. A console without a
/// stream prints nothing: checks that are to run silently are handed one.
class Console {
  public:
    explicit Console(std::FILE* out, int verboseLevel = kQuiet)
        : out_(out), verboseLevel_(verboseLevel) {}

    int verboseLevel() const { return verboseLevel_; }
    void setVerboseLevel(int level) { verboseLevel_ = level; }
    bool isVerbose() const { return verboseLevel_ >= kVerbose; }
    bool isVeryVerbose() const { return verboseLevel_ >= kVeryVerbose; }

    /// Printed at every verbosity.
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    /// Printed under -v and -V.
    void verbose(const char* format, ...) __attribute__((format(printf, 2, 3)));
    /// Printed under -V only.
    void veryVerbose(const char* format, ...) __attribute__((format(printf, 2, 3)));
    /// Flushes the stream, unless nothing was printed since the last flush.
    void flush();

  private:
    void vprint(const char* format, va_list args);

    std::FILE* out_;
    int verboseLevel_;
    bool unflushed_ = true;  // printed since the last flush (or not flushed yet)
};

}  // namespace kestrel
