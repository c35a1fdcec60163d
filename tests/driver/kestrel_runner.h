#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "driver/run.h"

namespace kestrel::test {

/// What one in-process run of kestrel left behind.
struct RunResult {
    int exitCode = -1;
    std::string console;
};

/// Runs kestrel in-process with the given words after the program's name.
inline RunResult runKestrel(const std::vector<std::string>& words) {
    std::vector<const char*> args = {"kestrel"};
    for (const std::string& word : words)
        args.push_back(word.c_str());
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* console = open_memstream(&buffer, &size);
    RunResult result;
    result.exitCode = kestrelMain(args, console);
    std::fclose(console);
    result.console.assign(buffer, size);
    std::free(buffer);
    return result;
}

inline void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

/// Number of times `needle` occurs in `text`.
inline int countOf(const std::string& text, const std::string& needle) {
    int count = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++count;
    return count;
}

inline std::string processingLine(const std::string& input) {
    return "Processing '" + input + "': (10 chunks per tick)\n";
}

/// Runs in a fresh directory of its own, removed afterwards.
class KestrelRun : public ::testing::Test {
  protected:
    ~KestrelRun() override { std::filesystem::remove_all(dir_); }

    std::string file(const std::string& name) const { return (dir_ / name).string(); }
    /// Runs with `options` on `input` and the two outputs.
    RunResult run(std::vector<std::string> options, const std::string& input) {
        options.insert(options.end(), {input, video, audio});
        return runKestrel(options);
    }

    static std::filesystem::path makeDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-XXXXXX").string();
        return mkdtemp(pattern.data());
    }

    const std::filesystem::path dir_ = makeDir();  // first: the paths below are inside it
    const std::string recording = file("rec.ty");
    const std::string video = file("out.m2v");
    const std::string audio = file("out.mp2");
};

}  // namespace kestrel::test
