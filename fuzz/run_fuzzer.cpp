// Runs a whole in-process kestrel invocation (start-up phase, pump, final
// report) on the fuzzer's bytes as the input recording. The first byte picks
// the options (verbosity, -s, -n, a chunk limit); outputs go to /dev/null and
// the console into a null stream, so only crashes, hangs and sanitizer
// findings count.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/run.h"

namespace {

std::FILE* nullConsole() {
    static std::FILE* file = std::fopen("/dev/null", "w");
    return file;
}

std::vector<std::string> optionsFor(std::uint8_t mode) {
    std::vector<std::string> options;
    if ((mode & 3) == 1) options.push_back("-v");
    if ((mode & 3) >= 2) options.push_back("-V");
    if (mode & 4) options.push_back("-s");
    if (mode & 8) options.push_back("-n");
    if (mode & 16) options.push_back("-l12");
    return options;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int fd = memfd_create("recording", 0);
    if (fd < 0) return 0;
    for (std::size_t done = 1; done < size;) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const std::string input = "/proc/self/fd/" + std::to_string(fd);
    std::vector<std::string> words = {"kestrel"};
    for (std::string& option : optionsFor(data[0]))
        words.push_back(std::move(option));
    words.insert(words.end(), {input, "/dev/null", "/dev/null"});
    std::vector<const char*> args;
    for (const std::string& word : words)
        args.push_back(word.c_str());
    kestrel::kestrelMain(args, nullConsole());
    close(fd);
    return 0;
}
