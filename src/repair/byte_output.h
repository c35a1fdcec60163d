// SPDX-License-Identifier: MIT
#pragma once

#include "chunk/chunk_layout.h"

namespace kestrel {

/// Where the repaired video goes: the caller adapts its output file to it, so
/// that the repairer needs nothing from the layers above it.
struct ByteOutput {
    virtual ~ByteOutput() = default;
    /// Appends `bytes` to the output.
    virtual void write(Bytes bytes) = 0;
};

}  // namespace kestrel
