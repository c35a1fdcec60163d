#include "analysis/recorder_detection.h"

namespace kestrel {

// Placeholders until the detections land.
std::int32_t detectStandalone(Bytes) { return 0; }
std::int32_t countAudioHeaders(const RunState&, Bytes, std::int32_t&, std::int32_t&) { return 0; }
void decideRecorderType(Console&, RunState&, std::span<const Bytes>) {}
void decideAudioType(Console&, RunState&, AudioTypeCounts&, std::span<const Bytes>) {}

}  // namespace kestrel
