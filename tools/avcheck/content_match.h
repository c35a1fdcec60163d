// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

#include "chunk/chunk_layout.h"

namespace avcheck {

/// Source items (pictures, audio frames) by content, to find the ones an
/// output item may have come from. Sample material repeats itself (looped
/// recordings, periodic test tones), so one content may have many sources.
class ContentIndex {
  public:
    /// Indexes `items`, which must outlive the index. Empty items are left out.
    explicit ContentIndex(const std::vector<kestrel::Bytes>& items);

    /// Indices of the items whose bytes equal `content`, ascending.
    std::vector<std::size_t> find(kestrel::Bytes content) const;

  private:
    const std::vector<kestrel::Bytes>& items_;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> byHash_;
};

/// The candidate that `distance` rates lowest (how far from where the
/// output stands it would put the item); of equal ones the item right after
/// `previous`. Sample material repeats itself (test tones every few hundred
/// milliseconds, looped recordings, out-of-band copies): running on from the
/// item before would take a cut of exactly one period for no cut at all.
/// Nothing without candidates.
std::optional<std::size_t> nearestSource(const std::vector<std::size_t>& candidates,
                                         std::optional<std::size_t> previous,
                                         const std::function<double(std::size_t)>& distance);

}  // namespace avcheck
