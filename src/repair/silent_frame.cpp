// SPDX-License-Identifier: MIT
#include "repair/silent_frame.h"

#include "headers/byte_patterns.h"
#include "repair/silent_ac3_frame.h"
#include "repair/silent_layer2_frame.h"

namespace kestrel {

std::vector<std::uint8_t> makeSilentFrame(Bytes model) {
    if (isAc3SyncAt(model, 0)) return makeSilentAc3Frame(model);
    return makeSilentLayer2Frame(model);
}

}  // namespace kestrel
