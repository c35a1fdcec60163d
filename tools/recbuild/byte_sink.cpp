// SPDX-License-Identifier: MIT
#include "recbuild/byte_sink.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace recbuild {

FileSink::FileSink(const std::string& path)
    : path_(path), file_(path == "-" ? stdout : std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) throw std::runtime_error("cannot create " + path);
}

FileSink::~FileSink() {
    if (file_ != nullptr && file_ != stdout) std::fclose(file_);
}

void FileSink::write(Bytes bytes) {
    if (file_ == nullptr) throw std::runtime_error(path_ + " is closed");
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        throw std::runtime_error("cannot write to " + path_);
}

void FileSink::close() {
    if (file_ == nullptr) return;
    const bool failed = file_ == stdout ? std::fflush(file_) != 0 : std::fclose(file_) != 0;
    file_ = nullptr;
    if (failed) throw std::runtime_error("cannot write to " + path_);
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error("cannot read " + path);
    return bytes;
}

}  // namespace recbuild
