// SPDX-License-Identifier: MIT
#include "diag/time_display.h"

#include <gtest/gtest.h>

#include <utility>

#include "support/captured_console.h"

namespace kestrel {
namespace {

using test::CapturedConsole;

TEST(ShowTime, ShowsWholeMillisecondsOfTicks) {
    for (const auto& [ticks, expected] :
         {std::pair{89u, "00:00:00.000"}, std::pair{90u, "00:00:00.001"},
          std::pair{323999999u, "00:59:59.999"}, std::pair{324000000u, "01:00:00.000"},
          std::pair{4294967295u, "13:15:21.858"}}) {
        CapturedConsole out;
        showTime(out.console(), ticksToMs(ticks));
        EXPECT_EQ(out.text(), expected) << ticks;
    }
    CapturedConsole out;
    showTimeLine(out.console(), 59999.9);  // drops the fraction of a millisecond
    EXPECT_EQ(out.text(), "00:00:59.999\n");
}

TEST(ShowByteCountRange, ShowsTheLowThreeBytesOfBothCounters) {
    CapturedConsole out;
    showByteCountRange(out.console(), "x", 0x01205040, 0x000ABCDE);
    EXPECT_EQ(out.text(), "x 20 50 40 to  A BC DE\n");
}

// What each verbosity prints is pinned by the console goldens of whole runs at
// 0, -v and -V; what a flush lets out is not.
TEST(Console, FlushesWhatWasPrintedSinceTheLastFlush) {
    CapturedConsole out;
    out.console().print("a");
    out.console().flush();
    EXPECT_EQ(out.flushed(), "a");
    out.console().print(".");  // a progress mark on a terminal shows at once
    out.console().flush();
    EXPECT_EQ(out.flushed(), "a.");
}

}  // namespace
}  // namespace kestrel
