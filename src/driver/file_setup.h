// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "driver/options.h"
#include "driver/run.h"

namespace kestrel {

/// Announces the input, opens it and the two outputs, and refuses outputs
/// that would destroy the input or each other. With -n the outputs are still
/// opened (a missing one is created) but an existing one is left as it is.
/// Prints the failure and returns false when the run cannot go on.
bool openFiles(Run& run, const CommandLine& line);

/// Skips `jumpChunks` whole chunks of the input (nothing for a negative
/// count). False after a read error while skipping on a pipe (reported).
bool jumpIntoInput(Run& run, std::int32_t jumpChunks);

}  // namespace kestrel
