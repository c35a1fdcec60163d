#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "diag/console.h"

namespace kestrel::test {

/// A Console over a memory stream that shows only what has been flushed: the
/// stream publishes its contents on fflush alone, so flushedText() tells where
/// the code under test flushed last.
class FlushProbe {
  public:
    FlushProbe() : file_(open_memstream(&buffer_, &size_)), console_(file_) {}
    ~FlushProbe() {
        std::fclose(file_);
        std::free(buffer_);
    }
    FlushProbe(const FlushProbe&) = delete;
    FlushProbe& operator=(const FlushProbe&) = delete;

    Console& console() { return console_; }
    std::string flushedText() const {
        return buffer_ ? std::string(buffer_, size_) : std::string();
    }

  private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
    Console console_;
};

}  // namespace kestrel::test
