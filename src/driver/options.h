// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "diag/console.h"

namespace kestrel {

/// The option letters; a colon follows each letter that takes a value.
inline constexpr std::string_view kOptionString = "vVhsmj:l:nRc";

/// What nextOption returns besides an option letter.
inline constexpr int kEndOfOptions = -1;
inline constexpr int kUnknownOption = '?';
/// A value-taking letter stood last on the command line, with no word after it.
inline constexpr int kMissingValue = ':';

/// Where the option scan stands. Word 0 is the program's own name, so the
/// scan starts at word 1, letter 1 (after the '-').
struct OptionScanner {
    std::size_t optionIndex = 1;        // word being scanned; afterwards the first file name
    std::size_t optionPos = 1;          // next letter within that word
    const char* optionValue = nullptr;  // value of the last value-taking option
};

/// Returns the next option letter, kUnknownOption, kMissingValue or
/// kEndOfOptions. Letters may be grouped (-vn); a value follows its letter in
/// the same word (-j5, -vj5) or is the whole next word (-j 5, even -j -v).
/// Options end at the first word that does not begin with '-' and at the word
/// "-" (standard input); there is no "--": it is an unknown option.
int nextOption(OptionScanner& scanner, std::span<const char* const> words,
               std::string_view optionString);

/// Everything the command line sets.
struct CommandLine {
    int verboseLevel = kQuiet;
    std::int32_t saMode = 0;
    std::int32_t audioPesHeaderLength = 11;
    std::int32_t noOutput = 0;
    std::int32_t neverResync = 0;
    std::int32_t cleanCuts = 0;       // -c: whole pictures only, audio held to the video
    std::int32_t jumpChunks = 0;      // whole chunks to skip before the first read
    std::int32_t chunkLimit = 0;      // chunk number at which the pump stops; 0: none
    const char* inputName = nullptr;  // "-" is standard input
    const char* videoName = nullptr;
    const char* audioName = nullptr;
};

/// Scans the options and the three file names (words after them are ignored).
/// Empty when the usage text is due: -h, -m, an unknown option, a value-taking
/// option without a value, or fewer than three file names.
std::optional<CommandLine> readCommandLine(std::span<const char* const> words);

/// Prints the twelve lines of usage text.
void printUsage(Console& console);

}  // namespace kestrel
