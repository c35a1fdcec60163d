// SPDX-License-Identifier: MIT
#include <cstdio>
#include <span>

#include "driver/run.h"

int main(int argc, char** argv) {
    return kestrel::kestrelMain(std::span<const char* const>(argv, static_cast<std::size_t>(argc)),
                                stdout);
}
