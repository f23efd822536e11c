// Packs codes of a few bits each into bytes, low bit first. The caller
// makes room for every byte the codes can fill.
#pragma once

#include <cstdint>
#include <cstring>

class BitPacker {
public:
    explicit BitPacker(uint8_t* at) : at_(at) {}

    // Appends the low `count` bits of value (count at most 32).
    void Put(uint32_t value, unsigned count)
    {
        held_ |= uint64_t(value) << heldBits_;
        heldBits_ += count;
        if (heldBits_ >= 32) {
            const uint8_t bytes[4] = {uint8_t(held_), uint8_t(held_ >> 8), uint8_t(held_ >> 16),
                                      uint8_t(held_ >> 24)};
            std::memcpy(at_, bytes, 4);
            at_ += 4;
            held_ >>= 32;
            heldBits_ -= 32;
        }
    }

    // Writes the bits still held, zero bits completing the last byte.
    void Flush()
    {
        for (; heldBits_ > 0; heldBits_ = heldBits_ > 8 ? heldBits_ - 8 : 0) {
            *at_++ = uint8_t(held_);
            held_ >>= 8;
        }
        held_ = 0;
    }

    // The byte after the last one written.
    uint8_t* End() const { return at_; }

private:
    uint8_t* at_;
    uint64_t held_ = 0;
    unsigned heldBits_ = 0;
};
