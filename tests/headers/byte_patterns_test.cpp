// SPDX-License-Identifier: MIT
#include "headers/byte_patterns.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kestrel {
namespace {

std::size_t naiveFind(Bytes b, std::size_t from) {
    for (std::size_t at = from; at + 3 <= b.size(); ++at)
        if (b[at] == 0 && b[at + 1] == 0 && b[at + 2] == 1) return at;
    return b.size();
}

/// Bytes that are never 00 or 01, with a few zero runs, ones and prefixes put
/// in anywhere: at every position of the vector-wise scan, alone in their
/// stretch of bytes or together. The long runs of zeros, ended by a prefix or
/// not, cross whole scan steps.
std::vector<std::uint8_t> scanTestBytes(std::mt19937& random) {
    const std::vector<std::uint8_t> longRun(140, 0);
    std::vector<std::uint8_t> longRunPrefix(longRun);
    longRunPrefix.push_back(1);
    const std::vector<std::vector<std::uint8_t>> parts = {
        {0}, {1}, {0, 0}, {0, 0, 1}, {0, 0, 0, 1}, {0, 1}, {0, 0, 2}, longRun, longRunPrefix};
    std::vector<std::uint8_t> bytes(random() % 300);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(2 + random() % 254);
    for (std::uint32_t n = random() % 3; n > 0 && !bytes.empty(); --n) {
        const auto& part = parts[random() % parts.size()];
        const std::size_t at = random() % bytes.size();
        for (std::size_t i = 0; i < part.size() && at + i < bytes.size(); ++i)
            bytes[at + i] = part[i];
    }
    return bytes;
}

TEST(FindStartCodePrefix, FindsWhatAByteByByteSearchFinds) {
    std::mt19937 random(7);
    for (int round = 0; round < 5000; ++round) {
        const std::vector<std::uint8_t> bytes = scanTestBytes(random);
        const std::size_t from = bytes.empty() ? 0 : random() % bytes.size();
        ASSERT_EQ(findStartCodePrefix(bytes, from), naiveFind(bytes, from))
            << ::testing::PrintToString(bytes) << " from " << from;
    }
}

TEST(ForEachStartCodePrefix, VisitsWhatAByteByByteSearchFindsInOrder) {
    std::mt19937 random(11);
    for (int round = 0; round < 5000; ++round) {
        const std::vector<std::uint8_t> bytes = scanTestBytes(random);
        const std::size_t from = random() % (bytes.size() + 1);
        std::vector<std::size_t> expected;
        for (std::size_t at = naiveFind(bytes, from); at < bytes.size();
             at = naiveFind(bytes, at + 1))
            expected.push_back(at);
        std::vector<std::size_t> visited;
        forEachStartCodePrefix(bytes, from, [&](std::size_t at) { visited.push_back(at); });
        ASSERT_EQ(visited, expected) << ::testing::PrintToString(bytes) << " from " << from;
    }
}

}  // namespace
}  // namespace kestrel
