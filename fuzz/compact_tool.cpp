// SPDX-License-Identifier: MIT
// Writes the compact form of a recording (see harness.h) for the seed corpus:
//   fuzz_compact PIECE-LENGTH < RECORDING > COMPACT
// Each record keeps the first PIECE-LENGTH bytes of its payload.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <vector>

#include "harness.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: fuzz_compact PIECE-LENGTH < RECORDING > COMPACT\n", stderr);
        return 2;
    }
    const std::vector<std::uint8_t> recording(std::istreambuf_iterator<char>(std::cin), {});
    const std::vector<std::uint8_t> compact = kestrel::fuzzing::compactRecording(
        recording, static_cast<std::size_t>(std::strtoul(argv[1], nullptr, 10)));
    return std::fwrite(compact.data(), 1, compact.size(), stdout) == compact.size() ? 0 : 1;
}
