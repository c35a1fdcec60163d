// SPDX-License-Identifier: MIT
#include "driver/startup_values.h"

#include "diag/time_display.h"

namespace kestrel {

void combineStandardValues(Console& console, RunState& run, const ChunkMeasurements& chunk) {
    if (chunk.audioSize > run.standardAudioSize) run.standardAudioSize = chunk.audioSize;
    if (chunk.audioDiff != 0 && chunk.audioDiff < run.standardAudioDiff)
        run.standardAudioDiff = chunk.audioDiff;
    if (run.firstVideoPTS == kNoPts && chunk.firstVideoPts != 0) {
        if (console.isVerbose()) {
            console.print("***** Setting first Video PTS to: ");
            showTimeLine(console, ticksToMs(chunk.firstVideoPts));
        }
        run.firstVideoPTS = chunk.firstVideoPts;
    }
}

void reportStandardValues(Console& console, const RunState& run) {
    console.print("Final standardAudioSize = %d\r\n",
                  static_cast<std::int32_t>(run.standardAudioSize));
    console.print("Final standardFrameLength = %d\r\n",
                  static_cast<std::int32_t>(run.standardFrameLength));
    console.print("Final standardAudioDiff = %d or ",
                  static_cast<std::int32_t>(run.standardAudioDiff));
    showTimeLine(console, ticksToMs(run.standardAudioDiff));
    console.print("First Video PTS: ");
    showTimeLine(console, ticksToMs(run.firstVideoPTS));
}

}  // namespace kestrel
