#include "rgz/RangeCoder.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Symbol {
    bool bypass;
    uint32_t p1OrBits;
    uint32_t value;
};

std::vector<Symbol> RandomSymbols(size_t count)
{
    std::mt19937 rng(7);
    std::vector<Symbol> symbols;
    for (size_t i = 0; i < count; ++i) {
        if (rng() % 10 == 0) {
            const uint32_t bits = 1 + rng() % 32;
            symbols.push_back({true, bits, uint32_t(rng()) >> (32 - bits)});
        } else {
            // Extreme probabilities too, and values outside the clamp range.
            const uint32_t p1 = (rng() % 4 == 0) ? (rng() % 2 ? 0u : 70000u) : rng() % 65536;
            const uint32_t bit = (rng() % 65536) < std::min(p1, 65535u) ? 1 : 0;
            symbols.push_back({false, p1, bit});
        }
    }
    return symbols;
}

TEST(RangeCoder, DecodesWhatItEncodedAndReadsExactlyTheBytes)
{
    const auto symbols = RandomSymbols(200000);
    RangeEncoder enc;
    for (const Symbol& s : symbols) {
        if (s.bypass)
            enc.EncodeBypass(s.value, int(s.p1OrBits));
        else
            enc.EncodeBit(s.p1OrBits, int(s.value));
    }
    const std::vector<uint8_t> bytes = enc.Finish();
    RangeDecoder dec(bytes.data(), bytes.data() + bytes.size());
    for (size_t i = 0; i < symbols.size(); ++i) {
        const Symbol& s = symbols[i];
        const uint32_t got = s.bypass ? dec.DecodeBypass(int(s.p1OrBits)) : uint32_t(dec.DecodeBit(s.p1OrBits));
        ASSERT_EQ(got, s.value) << "symbol " << i;
    }
    EXPECT_TRUE(dec.AtCanonicalEnd());
    EXPECT_EQ(dec.offset(), bytes.size());
}

TEST(RangeCoder, ReadingPastTheEndIsReported)
{
    RangeEncoder enc;
    for (int i = 0; i < 1000; ++i)
        enc.EncodeBit(32768, i & 1);
    const std::vector<uint8_t> bytes = enc.Finish();
    RangeDecoder dec(bytes.data(), bytes.data() + bytes.size() / 2);
    for (int i = 0; i < 1000; ++i)
        dec.DecodeBit(32768);
    EXPECT_TRUE(dec.overrun());
}

}  // namespace
