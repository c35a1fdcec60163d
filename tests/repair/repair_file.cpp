// SPDX-License-Identifier: MIT
// Runs the video repairer over an elementary stream file, as the decode test
// needs it: `repair_file IN OUT [FROM:TO]...` leaves out the bytes FROM..TO
// (offsets into IN, in order) and announces a join where each cut was.
// Prints the pictures written and dropped.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "repair/video_repair.h"

namespace {

using namespace kestrel;

struct FileOutput : ByteOutput {
    std::ofstream file;
    void write(Bytes bytes) override {
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
};

struct Count : PictureListener {
    int written = 0;
    void pictureWritten(const WrittenPicture& /*picture*/) override { ++written; }
    void cutCompleted(std::int32_t /*dropped*/) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: repair_file IN OUT [FROM:TO]...\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), {}};
    FileOutput out;
    out.file.open(argv[2], std::ios::binary);
    Count count;
    VideoRepair repair(out, count);
    const Bytes all(input);
    std::size_t at = 0;
    for (int i = 3; i < argc; ++i) {
        const std::string cut = argv[i];
        const std::size_t from = std::stoul(cut.substr(0, cut.find(':')));
        const std::size_t to = std::stoul(cut.substr(cut.find(':') + 1));
        repair.bytes(all.subspan(at, from - at));
        repair.join();
        at = to;
    }
    repair.bytes(all.subspan(at));
    repair.finish();
    std::printf("%d written, %d dropped\n", count.written, repair.picturesDropped());
    return out.file.good() ? 0 : 1;
}
