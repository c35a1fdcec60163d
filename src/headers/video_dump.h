// SPDX-License-Identifier: MIT
#pragma once

#include "chunk/chunk_layout.h"
#include "headers/decoder.h"

namespace kestrel {

// Console dumps of the MPEG video headers found in video payloads, for
// diagnosis only. Each takes a view that starts at the header's start code
// (the caller has matched it) and runs to the end of the owning buffer; bytes
// past the view read as zero. They print whatever the verbosity.

/// Sequence header (00 00 01 B3): start code, picture size, aspect ratio and
/// frame rate, one field a line.
void dumpSequenceHeader(Decoder& decoder, Bytes header);

/// Group-of-pictures header (00 00 01 B8): start code, time code and flags,
/// eight lines.
void dumpGopHeader(Decoder& decoder, Bytes header);

/// Picture header (00 00 01 00): temporal reference, a dash and the coding
/// type letter, without a line end.
void dumpPictureHeader(Decoder& decoder, Bytes header);

}  // namespace kestrel
