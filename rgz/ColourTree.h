// Palette indices coded as eight binary decisions down a tree over 0..255.
//
// Each decision has an adaptive bit per tree node in the caller's context
// and a shared one that speaks while the context's bit is still new. A
// decision whose other side holds no allowed index is not coded, so indices
// outside the allowed set cost nothing and can never be decoded.
#pragma once

#include "rgz/AdaptiveBit.h"

#include <cstdint>
#include <vector>

// A set of palette indices.
struct ColourSet {
    uint64_t words[4] = {};

    static ColourSet FirstN(int n)
    {
        ColourSet s;
        for (int i = 0; i < n; ++i)
            s.Add(unsigned(i));
        return s;
    }
    void Add(unsigned c) { words[c >> 6] |= uint64_t(1) << (c & 63); }
    void Remove(unsigned c) { words[c >> 6] &= ~(uint64_t(1) << (c & 63)); }
    bool Has(unsigned c) const { return (words[c >> 6] >> (c & 63)) & 1; }
    bool Empty() const { return (words[0] | words[1] | words[2] | words[3]) == 0; }
    // Any member in [lo, lo + size), size a power of two, lo a multiple of it.
    bool AnyIn(unsigned lo, unsigned size) const
    {
        if (size >= 64) {
            for (unsigned w = lo >> 6; w < (lo + size) >> 6; ++w)
                if (words[w])
                    return true;
            return false;
        }
        const uint64_t mask = ((uint64_t(1) << size) - 1) << (lo & 63);
        return (words[lo >> 6] & mask) != 0;
    }
};

class ColourTree {
public:
    explicit ColourTree(unsigned contexts) : nodes_(size_t(contexts) * 256) {}

    // Codes colour (when encoding; it must be in allowed) and returns the
    // index coded. allowed must not be empty.
    template <typename Io>
    unsigned Code(Io& io, unsigned context, const ColourSet& allowed, unsigned colour)
    {
        AdaptiveBit* own = &nodes_[size_t(context) * 256];
        unsigned node = 1, lo = 0;
        for (unsigned size = 128; size >= 1; size >>= 1) {
            int bit;
            if (!allowed.AnyIn(lo + size, size)) {
                bit = 0;
            } else if (!allowed.AnyIn(lo, size)) {
                bit = 1;
            } else {
                AdaptiveBit& a = own[node];
                AdaptiveBit& s = shared_[node];
                const uint32_t p1 = a.seen >= 2 ? a.P1() : s.P1();
                bit = io.CodeP(p1, int(colour >= lo + size));
                a.Update(bit);
                s.Update(bit);
            }
            node = node * 2 + unsigned(bit);
            lo += bit ? size : 0;
        }
        return lo;
    }

private:
    std::vector<AdaptiveBit> nodes_;
    AdaptiveBit shared_[256];
};
