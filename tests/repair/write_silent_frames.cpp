// SPDX-License-Identifier: MIT
// write_silent_frames MODEL COUNT OUT [SKIP]
//
// Takes frame SKIP (default 0) of the audio elementary stream MODEL as the
// model, writes COUNT silent frames made after it to OUT and prints the frame
// length. The decode test feeds OUT to ffmpeg.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "repair/silent_frame.h"
#include "support/file_bytes.h"

int main(int argc, char** argv) {
    const std::span<char*> args(argv, static_cast<std::size_t>(argc));
    if (args.size() < 4 || args.size() > 5) {
        std::fputs("usage: write_silent_frames MODEL COUNT OUT [SKIP]\n", stderr);
        return 2;
    }
    const std::vector<std::uint8_t> stream = kestrel::test::readFileBytes(args[1]);
    const int count = std::stoi(args[2]);
    const int skip = args.size() == 5 ? std::stoi(args[4]) : 0;
    kestrel::Bytes model(stream);
    // A silent frame is as long as its model: that is the step to the next one.
    for (int i = 0; i < skip; ++i)
        model = model.subspan(std::min(model.size(), kestrel::makeSilentFrame(model).size()));
    const std::vector<std::uint8_t> frame = kestrel::makeSilentFrame(model);
    if (frame.empty()) {
        std::fprintf(stderr, "no silent frame can be made after frame %d of %s\n", skip, args[1]);
        return 1;
    }
    std::ofstream out(args[3], std::ios::binary);
    for (int i = 0; i < count; ++i)
        out.write(reinterpret_cast<const char*>(frame.data()),
                  static_cast<std::streamsize>(frame.size()));
    std::printf("%zu\n", frame.size());
    return out ? 0 : 1;
}
