// SPDX-License-Identifier: MIT
#include "driver/input_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>

namespace kestrel {

// The build asks for 64-bit file offsets: a jump reaches far beyond 2 GiB.
static_assert(sizeof(off_t) >= 8, "build with _FILE_OFFSET_BITS=64");

namespace {

constexpr std::string_view kStandardInputName = "-";
constexpr std::size_t kSkipBufferSize = 16384;

}  // namespace

InputFile::~InputFile() {
    close();
}

int InputFile::open(const char* name) {
    if (name == kStandardInputName) {
        name_ = "stdin";
        fd_ = ::dup(STDIN_FILENO);
    } else {
        name_ = name;
        fd_ = ::open(name, O_RDONLY);
    }
    if (fd_ < 0) return errno;
    // The recording is read once, front to back: a larger read-ahead helps when
    // it is not cached. Pipes refuse the advice, which changes nothing.
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    return 0;
}

void InputFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

// Not const: reading moves the file position, which is the object's state.
// NOLINTNEXTLINE(readability-make-member-function-const)
ReadResult InputFile::read(std::span<std::uint8_t> buffer) {
    ReadResult result;
    while (result.bytes < buffer.size()) {
        const ssize_t n = ::read(fd_, buffer.data() + result.bytes, buffer.size() - result.bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) result.error = errno;
        if (n <= 0) break;
        result.bytes += static_cast<std::size_t>(n);
    }
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(result.bytes), buffer.end(), 0);
    return result;
}

ReadResult InputFile::skipTo(std::int64_t offset) {
    ReadResult result;
    if (offset <= 0) return result;
    if (::lseek(fd_, offset, SEEK_SET) >= 0 || errno != ESPIPE) return result;

    std::array<std::uint8_t, kSkipBufferSize> discard;
    auto left = static_cast<std::uint64_t>(offset);
    while (left > 0) {
        const std::size_t n = std::min<std::uint64_t>(left, discard.size());
        const ReadResult part = read(std::span(discard).first(n));
        result.bytes += part.bytes;
        result.error = part.error;
        if (part.bytes < n) break;
        left -= n;
    }
    return result;
}

}  // namespace kestrel
