// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// Where a stream's bytes go: an output file, or a stage on the way to one.
/// The layers below the files write through this, so that they need nothing
/// from the layers above them.
class ByteOutput {
  public:
    virtual ~ByteOutput() = default;
    /// Appends `bytes` to the output.
    virtual void write(Bytes bytes) = 0;
    /// Appends `count` zero bytes.
    virtual void writeZeros(std::size_t count);
    /// Appends a block of bytes assembled for the purpose, as large as a
    /// file's buffer or larger: a file writes it straight through.
    virtual void writeBlock(Bytes bytes) { write(bytes); }
};

}  // namespace kestrel
