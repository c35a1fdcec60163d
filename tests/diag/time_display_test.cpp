#include "diag/time_display.h"

#include <gtest/gtest.h>

#include "support/captured_console.h"

namespace kestrel {
namespace {

using test::CapturedConsole;

TEST(ShowTime, ShowsWholeMillisecondsOfTicks) {
    struct Case {
        std::uint32_t ticks;
        const char* expected;
    };
    const Case cases[] = {
        {0, "00:00:00.000"},           {89, "00:00:00.000"},        {90, "00:00:00.001"},
        {324000000, "01:00:00.000"},   {323999999, "00:59:59.999"}, {3240000000u, "10:00:00.000"},
        {4294967295u, "13:15:21.858"},
    };
    for (const Case& c : cases) {
        CapturedConsole out;
        showTime(out.console(), ticksToMs(c.ticks));
        EXPECT_EQ(out.text(), c.expected) << c.ticks;
    }
}

TEST(ShowTime, DropsTheFractionOfAMillisecond) {
    CapturedConsole out;
    showTimeLine(out.console(), 59999.9);
    EXPECT_EQ(out.text(), "00:00:59.999\n");
}

TEST(ShowByteCountRange, ShowsTheLowThreeBytesOfBothCounters) {
    CapturedConsole out;
    showByteCountRange(out.console(), "x", 0x01205040, 0x000ABCDE);
    EXPECT_EQ(out.text(), "x 20 50 40 to  A BC DE\n");
}

TEST(Console, PrintsEachMessageOnlyAtItsVerbosity) {
    struct Case {
        int level;
        const char* expected;
    };
    for (const Case c : {Case{kQuiet, "a"}, Case{kVerbose, "ab"}, Case{kVeryVerbose, "abc"}}) {
        CapturedConsole out(c.level);
        out.console().print("a");
        out.console().verbose("b");
        out.console().veryVerbose("c");
        EXPECT_EQ(out.text(), c.expected) << c.level;
    }
}

}  // namespace
}  // namespace kestrel
