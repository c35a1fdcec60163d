// SPDX-License-Identifier: MIT
// Whole in-process kestrel runs (start-up phase, pump, final report) on the
// fuzzer's bytes: byte 0 picks the options, the rest is the compact form of
// the input recording (see harness.h). Outputs go to /dev/null and so does
// the console text, so only crashes, hangs and sanitizer findings count.
#include <cstdint>
#include <cstdio>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* const console = kestrel::fuzzing::fuzzConsole();
    if (console == nullptr) return 0;
    kestrel::fuzzing::runWholeInput(kestrel::Bytes(data, size), console);
    return 0;
}
