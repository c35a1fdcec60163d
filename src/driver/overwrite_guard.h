// SPDX-License-Identifier: MIT
#pragma once

#include "diag/console.h"

namespace kestrel {

/// Checks, before an output is opened (and so emptied), that writing the
/// outputs cannot destroy data: neither output may be the input file itself,
/// and the two outputs may not be one and the same file. Prints the refusal and
/// returns false otherwise. Only regular files are compared, so character
/// devices such as /dev/null may be named as often as wanted.
bool outputsAreSafe(Console& console, int inputFd, const char* videoName, const char* audioName);

}  // namespace kestrel
