// SPDX-License-Identifier: MIT
#include "recbuild/record.h"

#include <algorithm>

namespace recbuild {

std::vector<std::uint8_t> Record::payload() const {
    std::vector<std::uint8_t> bytes(head);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

Record endOfDataRecord() {
    return Record();
}

Record splitFront(Record& r, std::uint32_t length) {
    Record front = r;
    front.completedFrame = {};
    front.keepWithNext = false;
    const std::size_t fromHead = std::min<std::size_t>(length, r.head.size());
    front.head.resize(fromHead);
    front.body = r.body.first(length - fromHead);
    r.head.erase(r.head.begin(), r.head.begin() + static_cast<std::ptrdiff_t>(fromHead));
    r.body = r.body.subspan(length - fromHead);
    r.continuesFrame = true;
    return front;
}

void setHeaderSize(std::span<std::uint8_t, kestrel::kRecordHeaderSize> header, std::uint32_t size) {
    header[0] = static_cast<std::uint8_t>((size >> 12) & 0xFF);
    header[1] = static_cast<std::uint8_t>((size >> 4) & 0xFF);
    header[2] = static_cast<std::uint8_t>(((size & 0x0F) << 4) | (header[2] & 0x0F));
}

void encodeRecordHeader(const Record& r, std::span<std::uint8_t, kestrel::kRecordHeaderSize> out) {
    std::fill(out.begin(), out.end(), 0);
    out[2] = r.subtype & 0x0F;
    setHeaderSize(out, r.size());
    out[3] = r.type;
    out[5] = static_cast<std::uint8_t>(r.byteCount >> 16);
    out[6] = static_cast<std::uint8_t>(r.byteCount >> 8);
    out[7] = static_cast<std::uint8_t>(r.byteCount);
    if (r.standaloneMarker) {
        // The recorders fill these with a non-zero word; any non-zero bytes do.
        out[12] = 0x4B;
        out[13] = 0x53;
        out[14] = 0x54;
        out[15] = 0x52;
    }
}

}  // namespace recbuild
