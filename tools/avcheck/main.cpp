// SPDX-License-Identifier: MIT
// kestrel-avcheck: measures how far kestrel's audio output has moved against
// its video output, compared with the recording both came from.
//
//   kestrel-avcheck [-s] RECORDING VIDEO AUDIO
//
// Exit 0 with the report on standard output; 2 on a bad command line or an
// input that cannot be read.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "avcheck/av_check.h"

namespace {

constexpr int kUnreadable = 2;

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

int usage() {
    std::fprintf(stderr, "usage: kestrel-avcheck [-s] RECORDING VIDEO AUDIO\n");
    return kUnreadable;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> words(argv + 1, argv + argc);
    const bool standalone = !words.empty() && words.front() == "-s";
    if (standalone) words.erase(words.begin());
    if (words.size() != 3) return usage();

    std::vector<std::vector<std::uint8_t>> files;
    for (const std::string_view path : words) {
        std::optional<std::vector<std::uint8_t>> bytes = readFile(std::string(path));
        if (!bytes) {
            std::fprintf(stderr, "kestrel-avcheck: cannot read %s\n", std::string(path).c_str());
            return kUnreadable;
        }
        files.push_back(std::move(*bytes));
    }
    const std::optional<avcheck::CheckReport> report =
        avcheck::checkAvSync({files[0], standalone, files[1], files[2]});
    if (!report) {
        std::fprintf(stderr, "kestrel-avcheck: no MPEG-2 sequence header in the video\n");
        return kUnreadable;
    }
    avcheck::printReport(*report, stdout);
    return 0;
}
