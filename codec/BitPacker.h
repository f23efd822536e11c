// Packs codes of a few bits each onto a byte vector, low bit first.
#pragma once

#include <cstdint>
#include <vector>

class BitPacker {
public:
    explicit BitPacker(std::vector<uint8_t>& out) : out_(out) {}

    // Appends the low `count` bits of value (count at most 32).
    void Put(uint32_t value, unsigned count)
    {
        held_ |= uint64_t(value) << heldBits_;
        heldBits_ += count;
        if (heldBits_ >= 32) {
            const uint8_t bytes[4] = {uint8_t(held_), uint8_t(held_ >> 8), uint8_t(held_ >> 16),
                                      uint8_t(held_ >> 24)};
            out_.insert(out_.end(), bytes, bytes + 4);
            held_ >>= 32;
            heldBits_ -= 32;
        }
    }

    // Writes the bits still held, zero bits completing the last byte.
    void Flush()
    {
        for (; heldBits_ > 0; heldBits_ = heldBits_ > 8 ? heldBits_ - 8 : 0) {
            out_.push_back(uint8_t(held_));
            held_ >>= 8;
        }
        held_ = 0;
    }

private:
    std::vector<uint8_t>& out_;
    uint64_t held_ = 0;
    unsigned heldBits_ = 0;
};
