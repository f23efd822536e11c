// One model description for both directions: a model written against
// EncodeIo or DecodeIo makes the same decisions with the same probabilities
// whether it writes or reads, so the encoder and decoder cannot drift apart.
// Code() takes the true bit when encoding (ignored when decoding) and
// returns the bit coded.
#pragma once

#include "rgz/AdaptiveBit.h"
#include "rgz/RangeCoder.h"

#include <cstdint>

struct EncodeIo {
    static constexpr bool decoding = false;
    RangeEncoder& enc;

    template <typename Model>
    int Code(Model& model, int bit)
    {
        model.Encode(enc, bit);
        return bit;
    }
    int CodeP(uint32_t p1, int bit)
    {
        enc.EncodeBit(p1, bit);
        return bit;
    }
    uint32_t Bypass(uint32_t value, int bits)
    {
        enc.EncodeBypass(value, bits);
        return value;
    }
};

struct DecodeIo {
    static constexpr bool decoding = true;
    RangeDecoder& dec;

    template <typename Model>
    int Code(Model& model, int)
    {
        return model.Decode(dec);
    }
    int CodeP(uint32_t p1, int) { return dec.DecodeBit(p1); }
    uint32_t Bypass(uint32_t, int bits) { return dec.DecodeBypass(bits); }
};
