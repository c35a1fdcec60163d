// SPDX-License-Identifier: MIT
#include "recbuild/byte_counters.h"

namespace recbuild {
namespace {

std::uint32_t counterAt(std::uint64_t bytes, std::uint32_t ring) {
    return kCounterBase + static_cast<std::uint32_t>(bytes % ring);
}

}  // namespace

void ByteCounters::followWindow(const Record& r) {
    if (windowOpen_) {
        if (windowLeft_ != 0) {
            windowLeft_ -= r.size();
        } else {
            windowOpen_ = false;
            videoBytes_ += kWindowPacketHeader;
        }
    }
    if (r.subtype == kestrel::kSeqStartSubtype) {
        windowOpen_ = true;
        windowLeft_ = kSequenceWindow - r.size();
    }
}

void ByteCounters::assign(Record& r) {
    if (!r.counted) return;
    if (r.type == kestrel::kVideoType) {
        if (family_ == Family::DTivo) followWindow(r);
        r.byteCount = counterAt(videoBytes_, kVideoRing);
        videoBytes_ += r.size();
    } else if (r.type == kestrel::kAudioType) {
        r.byteCount = counterAt(audioBytes_, kAudioRing);
        audioBytes_ += r.size();
    }
}

}  // namespace recbuild
