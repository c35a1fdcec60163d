// SPDX-License-Identifier: MIT
#include "driver/options.h"

#include "driver/decimal_value.h"

namespace kestrel {

namespace {

constexpr std::size_t kFileNameCount = 3;
constexpr std::int32_t kStandalonePesHeaderLength = 16;

void moveToNextWord(OptionScanner& scanner, std::size_t words) {
    scanner.optionIndex += words;
    scanner.optionPos = 1;
}

// Applies one option letter; false for the letters that ask for the usage text.
bool applyOption(CommandLine& line, int letter, const char* value) {
    switch (letter) {
        case 'v':
            line.verboseLevel = kVerbose;
            return true;
        case 'V':
            line.verboseLevel = kVeryVerbose;
            return true;
        case 's':
            // -s also skips the first chunk; a -j after it sets the jump anew.
            line.saMode = 1;
            line.audioPesHeaderLength = kStandalonePesHeaderLength;
            line.jumpChunks = 1;
            return true;
        case 'j':
            line.jumpChunks = decimalValue(value);
            return true;
        case 'l':
            line.chunkLimit = decimalValue(value);
            return true;
        case 'n':
            line.noOutput = 1;
            return true;
        case 'R':
            line.neverResync = 1;
            return true;
        case 'c':
            line.cleanCuts = 1;
            return true;
        default:
            return false;
    }
}

}  // namespace

int nextOption(OptionScanner& scanner, std::span<const char* const> words,
               std::string_view optionString) {
    if (scanner.optionIndex >= words.size()) return kEndOfOptions;
    const std::string_view word = words[scanner.optionIndex];
    if (word.size() < 2 || word[0] != '-') return kEndOfOptions;

    const char letter = word[scanner.optionPos];
    const std::size_t found = letter == ':' ? std::string_view::npos : optionString.find(letter);
    if (found == std::string_view::npos) {
        moveToNextWord(scanner, 1);
        return kUnknownOption;
    }

    const bool takesValue = found + 1 < optionString.size() && optionString[found + 1] == ':';
    const bool lastInWord = scanner.optionPos + 1 == word.size();
    if (!takesValue) {
        if (lastInWord) {
            moveToNextWord(scanner, 1);
        } else {
            ++scanner.optionPos;
        }
        return letter;
    }
    if (!lastInWord) {
        scanner.optionValue = words[scanner.optionIndex] + scanner.optionPos + 1;
        moveToNextWord(scanner, 1);
        return letter;
    }
    if (scanner.optionIndex + 1 >= words.size()) {
        moveToNextWord(scanner, 1);
        return kMissingValue;
    }
    scanner.optionValue = words[scanner.optionIndex + 1];
    moveToNextWord(scanner, 2);
    return letter;
}

std::optional<CommandLine> readCommandLine(std::span<const char* const> words) {
    CommandLine line;
    OptionScanner scanner;
    for (int letter = nextOption(scanner, words, kOptionString); letter != kEndOfOptions;
         letter = nextOption(scanner, words, kOptionString)) {
        if (!applyOption(line, letter, scanner.optionValue)) return std::nullopt;
    }
    if (scanner.optionIndex > words.size() || words.size() - scanner.optionIndex < kFileNameCount)
        return std::nullopt;
    line.inputName = words[scanner.optionIndex];
    line.videoName = words[scanner.optionIndex + 1];
    line.audioName = words[scanner.optionIndex + 2];
    return line;
}

void printUsage(Console& console) {
    console.print("kestrel [options] <infile> <videofile> <audiofile>\n");
    console.print("Version: %s\n", "tobrin 2.01 Alpha #13c");
    console.print("options:\n");
    console.print("    -v  verbose\n");
    console.print("    -V  Very verbose (DTivo additions)\n");
    console.print("    -s  Run in SA comaptible mode. Skip 0x10 sized audio records.\n");
    console.print(
        "    -j# Jump # number of chunks into the file before processing. (Quicker checks of "
        "fixes...)\n");
    console.print("    -l# Process # number of total chunks (once processing starts).\n");
    console.print("    -n  No output. Process as normal but don't save anything to disk.\n");
    console.print("    -R  Never resync: skip every out-of-sequence chunk.\n");
    console.print("    -c  Clean cuts: whole pictures only, audio kept in sync with the video.\n");
    console.print("    -h  help\n");
}

}  // namespace kestrel
