// SPDX-License-Identifier: MIT
#include "repair/clean_cut.h"

#include <thread>

#include "headers/pes.h"

namespace kestrel {

namespace {

// At -v and -V the stage prints each cut among the other lines; with a
// single processor a second thread would only take turns with the first.
bool worksOnAThread(const Console& console) {
    return !console.isVerbose() && std::thread::hardware_concurrency() > 1;
}

}  // namespace

CleanCut::CleanCut(Console& console, const RunState& run, ByteOutput& videoFile,
                   ByteOutput& audioFile)
    : decoder_{quiet_, run},
      thread_(worksOnAThread(console) ? std::make_unique<StageThread>(videoFile) : nullptr),
      stage_(console, run, thread_ ? thread_->videoOutput() : videoFile, audioFile),
      calls_(thread_ && thread_->start(stage_) ? static_cast<RepairCalls&>(*thread_) : stage_) {}

void CleanCut::videoPacketHeader(Bytes record) {
    const PtsTicks pts = parsePesHeader(decoder_, record);
    if (pts != 0) calls_.videoPts(pts);
}

void CleanCut::audioFrameStart(Bytes packetHeader) {
    // A header without a stamp yields 0: the frame then follows the one before.
    const PtsTicks pts = audioHeaderPts(decoder_, packetHeader);
    calls_.audioFrameStart(pts != 0 ? std::optional<PtsTicks>(pts) : std::nullopt);
}

void CleanCut::videoCounters(std::int32_t start, std::int32_t end) {
    if (start == 0) return;
    if (lastVideoCount_ != 0 && start != lastVideoCount_) join();
    lastVideoCount_ = end;
}

void CleanCut::stop() {
    if (thread_) thread_->stop();
}

}  // namespace kestrel
