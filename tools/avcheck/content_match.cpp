// SPDX-License-Identifier: MIT
#include "avcheck/content_match.h"

#include <algorithm>
#include <utility>

namespace avcheck {

namespace {

// 64-bit FNV-1a: equal contents share a bucket; find() compares the bytes.
std::uint64_t hashOf(kestrel::Bytes bytes) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const std::uint8_t b : bytes)
        hash = (hash ^ b) * 1099511628211ULL;
    return hash;
}

}  // namespace

ContentIndex::ContentIndex(const std::vector<kestrel::Bytes>& items) : items_(items) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!items[i].empty()) byHash_[hashOf(items[i])].push_back(i);
}

std::vector<std::size_t> ContentIndex::find(kestrel::Bytes content) const {
    std::vector<std::size_t> found;
    if (content.empty()) return found;
    const auto bucket = byHash_.find(hashOf(content));
    if (bucket == byHash_.end()) return found;
    std::copy_if(bucket->second.begin(), bucket->second.end(), std::back_inserter(found),
                 [&](std::size_t i) { return std::ranges::equal(items_[i], content); });
    return found;
}

std::optional<std::size_t> pickSource(const std::vector<std::size_t>& candidates,
                                      std::optional<std::size_t> previous,
                                      const std::function<double(std::size_t)>& distance) {
    if (candidates.empty()) return std::nullopt;
    if (previous && std::ranges::binary_search(candidates, *previous + 1)) return *previous + 1;
    auto from = previous ? std::ranges::lower_bound(candidates, *previous) : candidates.begin();
    if (from == candidates.end()) from = candidates.begin();
    return *std::min_element(from, candidates.end(), [&](std::size_t a, std::size_t b) {
        return distance(a) < distance(b);
    });
}

std::optional<std::size_t> nearestSource(const std::vector<std::size_t>& candidates,
                                         std::optional<std::size_t> previous,
                                         const std::function<double(std::size_t)>& distance) {
    if (candidates.empty()) return std::nullopt;
    const auto rank = [&](std::size_t i) {
        return std::pair(distance(i), !(previous && i == *previous + 1));
    };
    return *std::ranges::min_element(
        candidates, [&](std::size_t a, std::size_t b) { return rank(a) < rank(b); });
}

}  // namespace avcheck
