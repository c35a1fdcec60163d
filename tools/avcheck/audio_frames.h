// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "avcheck/ticks.h"
#include "chunk/chunk_layout.h"

namespace avcheck {

/// Length and playing time of one audio frame, read from its header.
struct FrameShape {
    std::size_t length = 0;
    Ticks duration = 0;
};

/// The shape of the MPEG-1 Layer II or AC-3 frame whose sync word starts
/// `frame`; nothing for another sync word or a header without a length.
std::optional<FrameShape> frameShape(kestrel::Bytes frame);

/// Cuts a stream of bare audio frames into frames, each as long as its header
/// says (the last one possibly cut short). Bytes that start no frame are
/// passed over up to the next sync word of the stream's kind (that of its
/// first frame), as a decoder would.
std::vector<kestrel::Bytes> splitAudio(kestrel::Bytes stream);

}  // namespace avcheck
