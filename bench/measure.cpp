// SPDX-License-Identifier: MIT
// kestrel-measure: runs one command and prints what it cost, for bench/run.sh.
//
//   kestrel-measure [-o FILE] COMMAND [ARGS...]
//
// The command's standard output goes to FILE (created or emptied) when given,
// so `cat recording > copy` needs no shell in between. One line is printed:
//   <exit status> <wall ns> <user us> <sys us> <peak RSS KiB>
// Peak RSS and CPU times are the kernel's figures for the child (wait4).

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>

namespace {

std::int64_t nowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

std::int64_t microseconds(const timeval& t) {
    return std::int64_t{t.tv_sec} * 1'000'000 + t.tv_usec;
}

// In the child: redirect standard output if asked, then become the command.
[[noreturn]] void runChild(const char* outPath, char** command) {
    if (outPath != nullptr) {
        const int fd = ::open(outPath, O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0) {
            std::fprintf(stderr, "kestrel-measure: %s: %s\n", outPath, std::strerror(errno));
            ::_exit(127);
        }
        ::close(fd);
    }
    ::execvp(command[0], command);
    std::fprintf(stderr, "kestrel-measure: %s: %s\n", command[0], std::strerror(errno));
    ::_exit(127);
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    const char* outPath = nullptr;
    if (argc > 2 && std::string_view(argv[1]) == "-o") {
        outPath = argv[2];
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: kestrel-measure [-o FILE] COMMAND [ARGS...]\n");
        return 2;
    }
    const std::int64_t start = nowNs();
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("kestrel-measure: fork");
        return 2;
    }
    if (child == 0) runChild(outPath, argv + first);

    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("kestrel-measure: wait4");
            return 2;
        }
    }
    const std::int64_t wall = nowNs() - start;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("%d %lld %lld %lld %ld\n", code, static_cast<long long>(wall),
                static_cast<long long>(microseconds(usage.ru_utime)),
                static_cast<long long>(microseconds(usage.ru_stime)), usage.ru_maxrss);
    return 0;
}
