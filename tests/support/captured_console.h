// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "diag/console.h"

namespace kestrel::test {

/// A Console whose text lands in memory.
class CapturedConsole {
  public:
    explicit CapturedConsole(int verboseLevel = kQuiet)
        : file_(open_memstream(&buffer_, &size_)), console_(file_, verboseLevel) {}
    ~CapturedConsole() {
        std::fclose(file_);
        std::free(buffer_);
    }
    CapturedConsole(const CapturedConsole&) = delete;
    CapturedConsole& operator=(const CapturedConsole&) = delete;

    Console& console() { return console_; }
    /// All text printed so far.
    std::string text() {
        std::fflush(file_);
        return std::string(buffer_, size_);
    }
    /// The text the console itself has flushed so far.
    std::string flushed() const { return std::string(buffer_, size_); }
    /// The text printed since the last take().
    std::string take() {
        std::string all = text();
        std::string fresh = all.substr(taken_);
        taken_ = all.size();
        return fresh;
    }

  private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::size_t taken_ = 0;
    std::FILE* file_;
    Console console_;
};

}  // namespace kestrel::test
