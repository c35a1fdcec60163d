// SPDX-License-Identifier: MIT
#include "driver/final_report.h"

#include <cstdint>

namespace kestrel {

namespace {

constexpr std::uint32_t kTicksPerMs = 90;

}  // namespace

void printAvSyncOffset(Console& console, PtsTicks firstVideo, PtsTicks firstAudio) {
    if (firstVideo > firstAudio) {
        const auto ms = static_cast<std::int32_t>((firstVideo - firstAudio) / kTicksPerMs);
        console.print("A/V Sync Offset: %dms (i.e. plays %dms early!)\n", ms, ms);
        return;
    }
    // The difference taken as a signed 32-bit value; its magnitude is computed
    // unsigned, so 0x80000000 gives 2^31 instead of overflowing.
    const std::uint32_t difference = firstVideo - firstAudio;
    const std::uint32_t magnitude = (difference & 0x80000000u) != 0 ? 0u - difference : difference;
    const auto ms = static_cast<std::int32_t>(magnitude / kTicksPerMs);
    console.print("A/V Sync Offset: -%dms (i.e. plays %dms late!)\n", ms, ms);
}

int finishRun(Run& run) {
    run.console.print("\n\n");
    closeFiles(run);
    if (!outputsWritten(run)) return kExitFailure;
    printAvSyncOffset(run.console, run.state.firstVideoPTS, run.state.firstAudioPTS);
    return kExitSuccess;
}

}  // namespace kestrel
