// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "recbuild/record.h"

namespace recbuild {

/// Where built bytes go.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void write(Bytes bytes) = 0;
};

/// Collects the bytes in memory.
class MemorySink : public ByteSink {
  public:
    void write(Bytes bytes) override { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

/// Drops the bytes.
class NullSink : public ByteSink {
  public:
    void write(Bytes /*bytes*/) override {}
};

/// Writes to a file, or to standard output for the name "-". Every write is
/// checked; a failure throws std::runtime_error naming the file.
class FileSink : public ByteSink {
  public:
    explicit FileSink(const std::string& path);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    void write(Bytes bytes) override;
    /// Flushes and closes; throws if anything failed.
    void close();

  private:
    std::string path_;
    std::FILE* file_;
};

/// The whole content of a file. Throws std::runtime_error if it cannot be read.
std::vector<std::uint8_t> readFile(const std::string& path);

}  // namespace recbuild
