// SPDX-License-Identifier: MIT
#include "recbuild/chunk_packer.h"

#include <stdexcept>

namespace recbuild {
namespace {

constexpr std::size_t kRoom = kestrel::kChunkSize - kSpareRecordRoom;

std::size_t groupBytes(const std::vector<Record>& group) {
    std::size_t bytes = 0;
    for (const Record& r : group)
        bytes += kestrel::kRecordHeaderSize + r.size();
    return bytes;
}

}  // namespace

std::size_t chunkBytes(const Chunk& chunk) {
    return kestrel::kChunkHeadSize + groupBytes(chunk.records);
}

bool ChunkPacker::takeGroup() {
    while (std::optional<Record> r = source_.next()) {
        const bool more = r->keepWithNext;
        group_.push_back(std::move(*r));
        if (!more) break;
    }
    return !group_.empty();
}

/// Whether `r` may be cut after its first `front` bytes to fill a chunk.
bool ChunkPacker::mayCut(const Record& r, std::size_t front) const {
    if (r.type == kestrel::kAudioType) return splitAudioAcrossChunks_;
    return r.splittable && front >= kMinCutPart;
}

void ChunkPacker::commit(Chunk& chunk, Record r) {
    counters_.assign(r);
    chunk.records.push_back(std::move(r));
}

std::optional<Chunk> ChunkPacker::next() {
    Chunk chunk;
    while (!group_.empty() || takeGroup()) {
        const std::size_t used = chunkBytes(chunk);
        const std::size_t need = groupBytes(group_);
        const bool roomForRecords = chunk.records.size() + group_.size() < kMaxRecords;
        if (roomForRecords && used + need <= kRoom) {
            for (Record& r : group_)
                commit(chunk, std::move(r));
            group_.clear();
            continue;
        }
        // Cut the group's last record so that the group fills this chunk.
        Record& last = group_.back();
        const std::size_t over = used + need - kRoom;
        if (roomForRecords && over < last.size() && mayCut(last, last.size() - over)) {
            Record front = splitFront(last, static_cast<std::uint32_t>(last.size() - over));
            for (std::size_t i = 0; i + 1 < group_.size(); ++i)
                commit(chunk, std::move(group_[i]));
            commit(chunk, std::move(front));
            group_.erase(group_.begin(), group_.end() - 1);
            return chunk;
        }
        if (chunk.records.empty()) throw std::runtime_error("a group of records exceeds a chunk");
        return chunk;
    }
    if (chunk.records.empty()) return std::nullopt;
    return chunk;
}

}  // namespace recbuild
