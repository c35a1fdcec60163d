#pragma once

#include "driver/run_state.h"
#include "headers/decoder.h"
#include "support/captured_console.h"

namespace kestrel::test {

/// A decoder over a captured console and settings the test may change.
struct TestDecoder {
    CapturedConsole out;
    RunState run;
    Decoder decoder{out.console(), run};
};

}  // namespace kestrel::test
