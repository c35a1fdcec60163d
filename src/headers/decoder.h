// SPDX-License-Identifier: MIT
#pragma once

#include "diag/console.h"
#include "headers/bit_reader.h"
#include "headers/run_state.h"

namespace kestrel {

/// What the header decoders share: the run's bit cursor (owned here), the
/// console they report to and the settings that choose a header form
/// (audioType, saMode, audioPesHeaderLength).
struct Decoder {
    Console& console;
    const RunState& run;
    BitCursor cursor{};
};

}  // namespace kestrel
