// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "recbuild/chunk_packer.h"

namespace recbuild {

/// The 131072 bytes of a chunk as a recorder writes them.
using ChunkImage = std::vector<std::uint8_t>;

/// Lays a chunk out: the record count (little-endian), two zero bytes, the
/// record table, the payloads back to back and zero filler. Throws
/// std::runtime_error if the records do not fit.
ChunkImage chunkImage(const Chunk& chunk);

/// Puts an end-of-data record in the middle of the chunk's table.
void insertEndOfData(Chunk& chunk);

/// A copy of a chunk's image whose last record claims more bytes than the
/// chunk holds: table and payloads add up to one byte over 131072.
ChunkImage overflowingImage(const Chunk& chunk);

}  // namespace recbuild
