// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

namespace kestrel {

/// A fixed number of bytes that start all zero, for the large buffers a run
/// keeps from start to end. They come from calloc, which hands out fresh
/// (already zero) pages untouched: pages a run never writes stay out of its
/// resident memory, where a zero-filled std::vector writes every one of them.
class ZeroedBytes {
  public:
    explicit ZeroedBytes(std::size_t size)
        : bytes_(static_cast<std::uint8_t*>(std::calloc(size, 1))), size_(size) {
        if (bytes_ == nullptr) throw std::bad_alloc();
    }

    std::size_t size() const { return size_; }
    std::uint8_t* data() { return bytes_.get(); }
    const std::uint8_t* data() const { return bytes_.get(); }
    std::uint8_t* begin() { return data(); }
    std::uint8_t* end() { return data() + size_; }
    const std::uint8_t* begin() const { return data(); }
    const std::uint8_t* end() const { return data() + size_; }

  private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t[], Free> bytes_;
    std::size_t size_;
};

}  // namespace kestrel
