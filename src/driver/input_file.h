// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kestrel {

/// How a read ended: the bytes read and, when the system reported an error
/// (not the end of the input), its errno.
struct ReadResult {
    std::size_t bytes = 0;
    int error = 0;

    bool failed() const { return error != 0; }
};

/// The recording being read, as a plain file descriptor: a named file, or a
/// duplicate of standard input for the name "-" (reported as "stdin").
class InputFile {
  public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    /// Opens the input for reading. Returns the errno of a failure, else 0.
    int open(const char* name);
    void close();

    /// Fills `buffer` completely unless the input ends first, going on after
    /// short reads (pipes deliver a chunk in pieces). Bytes of `buffer` past
    /// the end of the input are set to zero.
    ReadResult read(std::span<std::uint8_t> buffer);
    /// Moves `offset` bytes forward from the start of the input. An input that
    /// cannot seek (a pipe) is read and the bytes discarded instead; a
    /// negative offset changes nothing.
    ReadResult skipTo(std::int64_t offset);

    int fd() const { return fd_; }
    /// The name for messages: the file name, or "stdin".
    const std::string& name() const { return name_; }

  private:
    int fd_ = -1;
    std::string name_;
};

}  // namespace kestrel
