#include "analysis/standard_values.h"

namespace kestrel {

// Placeholders until the measurements land.
std::uint32_t chunkAudioSize(Decoder&, std::uint32_t&, Bytes) { return 0; }
std::uint32_t chunkAudioDiff(Decoder&, Bytes) { return 0; }
PtsTicks chunkFirstVideoPts(Decoder&, std::int32_t&, Bytes) { return 0; }

}  // namespace kestrel
