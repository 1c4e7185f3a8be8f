// Takes a fuzzer's input apart: small numbers for choices and sizes, byte strings for data.
// Past the end, numbers are 0 and strings empty.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    // A number from 0 to `most`.
    std::uint32_t Upto(std::uint32_t most) {
        const std::uint32_t raw = static_cast<std::uint32_t>(Byte()) << 8 | Byte();
        return raw % (most + 1);
    }
    // A string whose length comes first, in one byte.
    std::string Short() { return Bytes(Byte()); }
    std::string Bytes(std::size_t count) {
        const std::size_t n = std::min(count, size_ - std::min(at_, size_));
        std::string bytes(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return bytes;
    }
    std::string Rest() { return Bytes(size_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace fuzz
