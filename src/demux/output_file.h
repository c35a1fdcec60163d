// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "chunk/chunk_layout.h"
#include "repair/byte_output.h"

namespace kestrel {

/// An output stream that checks every write and remembers the first failure,
/// so that a full disk ends the run with an error instead of a short file.
/// In discard mode (-n) the file is open but nothing is written to it.
class OutputFile : public ByteOutput {
  public:
    OutputFile() = default;
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// Opens `path` for writing with a large buffer. With `truncate` false an
    /// existing file keeps its contents. Returns false (errno set) on failure.
    bool open(const std::string& path, bool truncate);
    /// Takes over an already open stream (tests, fuzz targets).
    void adopt(std::FILE* file, const std::string& name);
    void setDiscard(bool discard) { discard_ = discard; }

    void write(Bytes bytes) override;
    /// stdio copies even a write as large as its buffer into the buffer
    /// first: a block goes to the file directly, after what is buffered.
    void writeBlock(Bytes bytes) override;
    /// Flushes and closes; a failure here counts like a failed write.
    void close();

    bool isOpen() const { return file_ != nullptr; }
    bool failed() const { return failed_; }
    const std::string& name() const { return name_; }

  private:
    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;  // stdio buffer; must outlive file_
    std::string name_;
    bool discard_ = false;
    // With clean cuts the stage's thread writes the files while the run
    // checks them after every chunk.
    std::atomic<bool> failed_ = false;
};

}  // namespace kestrel
