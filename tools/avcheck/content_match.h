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

/// Picks the source of an output item among `candidates` (ascending), given
/// `previous`, the source of the output item before. Output runs on through
/// its source: the item right after `previous` when it is a candidate. After
/// a break (the output skipped what the source lost, or repeats an item), the
/// candidate from `previous` on that `distance` rates nearest (any candidate
/// when none lies there, the first output item included): material that
/// repeats itself has equal items all along, and only the distance tells
/// which of them the output went on with. Nothing without candidates.
std::optional<std::size_t> pickSource(const std::vector<std::size_t>& candidates,
                                      std::optional<std::size_t> previous,
                                      const std::function<double(std::size_t)>& distance);

/// The candidate that `distance` rates lowest (the error the output item
/// would have if it came from it); of equal ones the item right after
/// `previous`. For audio,
/// whose test tones repeat a frame's bytes every few hundred milliseconds:
/// running on from the frame before would take a cut of exactly one period
/// for no cut at all. Nothing without candidates.
std::optional<std::size_t> nearestSource(const std::vector<std::size_t>& candidates,
                                         std::optional<std::size_t> previous,
                                         const std::function<double(std::size_t)>& distance);

}  // namespace avcheck
