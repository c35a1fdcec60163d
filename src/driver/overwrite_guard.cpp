// SPDX-License-Identifier: MIT
#include "driver/overwrite_guard.h"

#include <sys/stat.h>

#include <optional>

namespace kestrel {

namespace {

struct FileId {
    dev_t device;
    ino_t inode;

    bool operator==(const FileId&) const = default;
};

std::optional<FileId> regularFileId(const struct stat& info) {
    if (!S_ISREG(info.st_mode)) return std::nullopt;
    return FileId{info.st_dev, info.st_ino};
}

// Empty for a path that does not exist (yet) or is not a regular file.
std::optional<FileId> regularFileAt(const char* path) {
    struct stat info;
    if (::stat(path, &info) != 0) return std::nullopt;
    return regularFileId(info);
}

std::optional<FileId> regularFileOf(int fd) {
    struct stat info;
    if (::fstat(fd, &info) != 0) return std::nullopt;
    return regularFileId(info);
}

}  // namespace

bool outputsAreSafe(Console& console, int inputFd, const char* videoName, const char* audioName) {
    const std::optional<FileId> input = regularFileOf(inputFd);
    const std::optional<FileId> video = regularFileAt(videoName);
    const std::optional<FileId> audio = regularFileAt(audioName);
    if (input && video == input) {
        console.print("Refusing to overwrite the input file with the Video output: %s\n",
                      videoName);
        return false;
    }
    if (input && audio == input) {
        console.print("Refusing to overwrite the input file with the Audio output: %s\n",
                      audioName);
        return false;
    }
    if (video && audio == video) {
        console.print("The Video and Audio output files are the same file: %s\n", audioName);
        return false;
    }
    return true;
}

}  // namespace kestrel
