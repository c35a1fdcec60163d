#include "demux/audio_extraction.h"

namespace kestrel {

// Placeholder until audio extraction lands.
void handleAudioRecord(Decoder&, RunState&, AudioExtraction&, OutputFile&, Bytes, std::uint32_t) {}

}  // namespace kestrel
