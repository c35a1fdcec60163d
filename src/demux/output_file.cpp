// SPDX-License-Identifier: MIT
#include "demux/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace kestrel {

namespace {
// Two chunks' worth: few enough write calls that they cost nothing, and small
// enough that both output buffers, the read buffer and the page-cache pages
// being written stay in the processor's cache (1 MiB buffers measured about
// 10% more CPU time per run).
constexpr std::size_t kOutputBufferSize = 256 << 10;
}  // namespace

OutputFile::~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
}

bool OutputFile::open(const std::string& path, bool truncate) {
    // Without truncation the file is created if missing but never emptied.
    const int flags = O_WRONLY | O_CREAT | (truncate ? O_TRUNC : 0);
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return false;
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        ::close(fd);
        return false;
    }
    // Writes are the program's main cost: far fewer of them than stdio's
    // default buffer would make. glibc ignores the size unless the buffer is
    // given, so the file owns one (kept when the file is opened again).
    if (!buffer_) buffer_.reset(new char[kOutputBufferSize]);
    std::setvbuf(file, buffer_.get(), _IOFBF, kOutputBufferSize);
    adopt(file, path);
    return true;
}

void OutputFile::adopt(std::FILE* file, const std::string& name) {
    file_ = file;
    name_ = name;
    failed_ = false;
}

void OutputFile::write(Bytes bytes) {
    if (discard_ || failed_ || bytes.empty() || file_ == nullptr) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
}

void OutputFile::writeBlock(Bytes bytes) {
    if (discard_ || failed_ || bytes.empty() || file_ == nullptr) return;
    if (std::fflush(file_) != 0) {
        failed_ = true;
        return;
    }
    const int fd = ::fileno(file_);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            return;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
}

void OutputFile::close() {
    if (file_ == nullptr) return;
    if (std::fflush(file_) != 0) failed_ = true;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
}

}  // namespace kestrel
