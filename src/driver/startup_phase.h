// SPDX-License-Identifier: MIT
#pragma once

#include "diag/console.h"
#include "driver/run.h"
#include "headers/run_state.h"

namespace kestrel {

/// The start-up phase reads this many good chunks before anything is written.
inline constexpr int kAnalysisChunkCount = 10;

/// False (after the refusal message) for a Standalone recording with Dolby
/// Digital audio: Standalone recorders never carry it, so the detection went
/// wrong and demultiplexing would produce garbage.
bool recordingSupported(Console& console, const RunState& run);

/// Reads the first ten good chunks, learns the recorder type, the audio type
/// and the standard values from them, then demultiplexes them and prints the
/// first progress mark. False when the run has to stop: the input ended
/// before ten good chunks, a read or write failed, or the recording is
/// refused (each reported).
bool runStartupPhase(Run& run);

}  // namespace kestrel
