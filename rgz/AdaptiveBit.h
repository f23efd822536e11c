// A binary probability that learns from the bits it sees.
//
// The chance of a 1 is kept in 32 bits so that nearly certain contexts can
// reach the coder's floor of 1/65536. It adapts fast at first (the shift
// grows with the count of bits seen) and then settles at a fixed rate.
// Integer arithmetic only: every machine gives the same bytes.
#pragma once

#include "rgz/RangeCoder.h"

#include <cstdint>

template <int SlowestShift>
struct AdaptiveBitT {
    uint32_t p = 0x80000000u;  // chance of a 1 in units of 2^-32
    uint8_t seen = 0;

    uint32_t P1() const { return p >> 16; }
    void Update(int bit)
    {
        const int shift = seen < SlowestShift ? seen + 1 : SlowestShift;
        seen += seen < SlowestShift;
        if (bit)
            p += (0xFFFFFFFFu - p) >> shift;
        else
            p -= p >> shift;
    }
    void Encode(RangeEncoder& enc, int bit)
    {
        enc.EncodeBit(P1(), bit);
        Update(bit);
    }
    int Decode(RangeDecoder& dec)
    {
        const int bit = dec.DecodeBit(P1());
        Update(bit);
        return bit;
    }
};

using AdaptiveBit = AdaptiveBitT<8>;
