#pragma once

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "demux/output_file.h"

namespace kestrel::test {

/// An OutputFile whose bytes land in memory.
class MemoryOutput {
  public:
    MemoryOutput() : stream_(open_memstream(&buffer_, &size_)) { file.adopt(stream_, "memory"); }
    ~MemoryOutput() {
        file.close();
        std::free(buffer_);
    }
    MemoryOutput(const MemoryOutput&) = delete;
    MemoryOutput& operator=(const MemoryOutput&) = delete;

    /// Everything written so far.
    std::vector<std::uint8_t> bytes() {
        std::fflush(stream_);
        return std::vector<std::uint8_t>(buffer_, buffer_ + size_);
    }

    OutputFile file;

  private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* stream_;
};

}  // namespace kestrel::test
