// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// Turns 32-bit time stamps, which wrap every 13¼ hours, into a 64-bit clock
/// that does not: each stamp is taken as the nearest value to the last one
/// seen. Video and audio stamps share one clock, so they share one of these.
class StampUnwrapper {
  public:
    std::int64_t unwrap(PtsTicks stamp) {
        if (!started_) {
            started_ = true;
            last_ = stamp;
        }
        last_ += static_cast<std::int32_t>(stamp - static_cast<PtsTicks>(last_));
        return last_;
    }

  private:
    bool started_ = false;
    std::int64_t last_ = 0;
};

}  // namespace kestrel
