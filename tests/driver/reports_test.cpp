#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/final_report.h"
#include "driver/startup_phase.h"
#include "driver/startup_values.h"
#include "support/captured_console.h"

namespace kestrel {
namespace {

TEST(AvSyncOffset, VideoAfterAudioPlaysEarlyAndEverythingElseLate) {
    struct Case {
        PtsTicks video;
        PtsTicks audio;
        const char* line;
    };
    const std::vector<Case> cases = {
        {900000, 810000, "A/V Sync Offset: 1000ms (i.e. plays 1000ms early!)\n"},
        {810000, 900000, "A/V Sync Offset: -1000ms (i.e. plays 1000ms late!)\n"},
        {900000, 900000, "A/V Sync Offset: -0ms (i.e. plays 0ms late!)\n"},
        {900089, 900000, "A/V Sync Offset: 0ms (i.e. plays 0ms early!)\n"},
        {kNoPts, 9000, "A/V Sync Offset: 47721758ms (i.e. plays 47721758ms early!)\n"},
        {kNoPts, kNoPts, "A/V Sync Offset: -0ms (i.e. plays 0ms late!)\n"},
        {0, kNoPts, "A/V Sync Offset: -0ms (i.e. plays 0ms late!)\n"},
        {0x80000000, 0, "A/V Sync Offset: 23860929ms (i.e. plays 23860929ms early!)\n"},
        {0, 0x80000000, "A/V Sync Offset: -23860929ms (i.e. plays 23860929ms late!)\n"},
        {0, 0x7FFFFFFF, "A/V Sync Offset: -23860929ms (i.e. plays 23860929ms late!)\n"},
        {0, 0x80000001, "A/V Sync Offset: -23860929ms (i.e. plays 23860929ms late!)\n"},
    };
    for (const Case& c : cases) {
        test::CapturedConsole captured;
        printAvSyncOffset(captured.console(), c.video, c.audio);
        EXPECT_EQ(captured.text(), c.line) << c.video << " " << c.audio;
    }
}

TEST(StandardValues, TakeTheLargestSizeTheSmallestStepAndTheFirstVideoTimeStamp) {
    test::CapturedConsole captured(kVerbose);
    RunState run;
    const std::vector<ChunkMeasurements> chunks = {
        {.audioSize = 779, .firstVideoPts = 0, .audioDiff = 2880},
        {.audioSize = 1200, .firstVideoPts = 0, .audioDiff = 0},
        {.audioSize = 800, .firstVideoPts = 90000, .audioDiff = 2160},
        {.audioSize = 16, .firstVideoPts = 180000, .audioDiff = 6480},
        {.audioSize = 0, .firstVideoPts = 0, .audioDiff = 11520},
    };
    for (const ChunkMeasurements& chunk : chunks)
        combineStandardValues(captured.console(), run, chunk);
    EXPECT_EQ(run.standardAudioSize, 1200u);
    EXPECT_EQ(run.standardAudioDiff, 2160u);
    EXPECT_EQ(run.firstVideoPTS, 90000u);
    EXPECT_EQ(captured.text(), "***** Setting first Video PTS to: 00:00:01.000\n");
}

TEST(StandardValues, ReportShowsTheValuesWithCarriageReturnsAndTimes) {
    test::CapturedConsole captured;
    RunState run;
    run.standardAudioSize = 779;
    run.standardFrameLength = 768;
    reportStandardValues(captured.console(), run);
    EXPECT_EQ(captured.text(),
              "Final standardAudioSize = 779\r\n"
              "Final standardFrameLength = 768\r\n"
              "Final standardAudioDiff = 6480 or 00:00:00.072\n"
              "First Video PTS: 13:15:21.858\n");
}

TEST(StartupPhase, RefusesOnlyStandaloneRecordingsWithDolbyAudio) {
    for (const int mode : {0, 1, 2, 3}) {
        test::CapturedConsole captured;
        RunState run;
        run.saMode = mode & 1;
        run.audioType = mode >> 1;
        EXPECT_EQ(recordingSupported(captured.console(), run), mode != 3);
        EXPECT_EQ(
            captured.text(),
            mode == 3 ? "Aborting... The is no chance of a DD5.1 in standalone mode...\n" : "");
    }
}

}  // namespace
}  // namespace kestrel
