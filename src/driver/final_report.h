// SPDX-License-Identifier: MIT
#pragma once

#include "chunk/chunk_layout.h"
#include "diag/console.h"
#include "driver/run.h"

namespace kestrel {

/// Prints how far the first written audio frame lies from the first video
/// picture, in whole milliseconds: "early" when the video time stamp is the
/// larger, "late" otherwise (also when neither was found).
void printAvSyncOffset(Console& console, PtsTicks firstVideo, PtsTicks firstAudio);

/// Ends a run that went through: closes the files and prints the A/V offset.
/// Returns the exit code: a failure if an output could not be completely
/// written (flushed or closed), which is then reported instead of the offset.
int finishRun(Run& run);

}  // namespace kestrel
