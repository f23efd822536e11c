#include "doc/SurvivorGrid.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Small thresholds would make many tiny cubes; this side keeps the table small.
constexpr int kMinCubeSide = 8;

int Channel(uint32_t colour, int shift) { return int((colour >> shift) & 0xFF); }

// Of colours[0..n-1] (n < 2^24), the first nearest to colour if nearer than
// bound: its position, with bound lowered to its distance; else n.
size_t FirstNearest(const uint32_t* colours, size_t n, uint32_t colour, int& bound)
{
    // Each candidate's key is its distance << 24 | its position, so the
    // smallest key is the first of the nearest.
    uint32_t bestKey = UINT32_MAX;
    size_t i = 0;
#if defined(__SSE2__)
    // Four keys at a time, without branches. Keys are compared as signed
    // numbers with the top bit flipped: SSE2 has no unsigned compare.
    const __m128i flip = _mm_set1_epi32(INT32_MIN);
    const __m128i x = _mm_set1_epi32(int(colour));
    __m128i position = _mm_setr_epi32(0, 1, 2, 3);
    __m128i least = _mm_set1_epi32(INT32_MAX);
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colours + i));
        // Per byte |s - x|, then the largest of a word's bytes into its top byte.
        __m128i d = _mm_or_si128(_mm_subs_epu8(s, x), _mm_subs_epu8(x, s));
        d = _mm_max_epu8(d, _mm_slli_epi32(d, 8));
        d = _mm_max_epu8(d, _mm_slli_epi32(d, 16));
        const __m128i key =
            _mm_xor_si128(_mm_or_si128(_mm_and_si128(d, _mm_set1_epi32(int(0xFF000000))), position), flip);
        const __m128i smaller = _mm_cmplt_epi32(key, least);
        least = _mm_or_si128(_mm_and_si128(smaller, key), _mm_andnot_si128(smaller, least));
        position = _mm_add_epi32(position, _mm_set1_epi32(4));
    }
    alignas(16) uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_xor_si128(least, flip));
    for (uint32_t lane : lanes)
        bestKey = std::min(bestKey, lane);
#endif
    for (; i < n; ++i)
        bestKey = std::min(bestKey, uint32_t(ColorDistance(colour, colours[i])) << 24 | uint32_t(i));
    if (n == 0 || int(bestKey >> 24) >= bound)
        return n;
    bound = int(bestKey >> 24);
    return bestKey & 0xFFFFFF;
}

}  // namespace

CSurvivorGrid::CSurvivorGrid(int threshold)
    : threshold_(std::clamp(threshold, 0, 255)),
      side_(std::max(threshold_ + 1, kMinCubeSide)),
      cubesPerAxis_((256 + side_ - 1) / side_),
      nearColours_(size_t(cubesPerAxis_) * size_t(cubesPerAxis_) * size_t(cubesPerAxis_)),
      nearRanks_(nearColours_.size())
{
    for (int v = 0; v < 256; ++v)
        cubeOfValue_[size_t(v)] = v / side_;
}

void CSurvivorGrid::Add(uint32_t colour, uint32_t rank)
{
    int lo[3], hi[3];
    for (int axis = 0; axis < 3; ++axis) {
        const int cube = cubeOfValue_[size_t(Channel(colour, 8 * axis))];
        lo[axis] = std::max(cube - 1, 0);
        hi[axis] = std::min(cube + 1, cubesPerAxis_ - 1);
    }
    for (int r = lo[0]; r <= hi[0]; ++r)
        for (int g = lo[1]; g <= hi[1]; ++g)
            for (int b = lo[2]; b <= hi[2]; ++b) {
                const size_t cube = size_t((r * cubesPerAxis_ + g) * cubesPerAxis_ + b);
                nearColours_[cube].push_back(colour & 0xFFFFFF);
                nearRanks_[cube].push_back(rank);
            }
}

uint32_t CSurvivorGrid::FindNearest(uint32_t colour) const
{
    // The list is in the order added, so keeping only strictly nearer ones
    // leaves the first of equally near survivors.
    const size_t cube = size_t(CubeOf(colour));
    const std::vector<uint32_t>& colours = nearColours_[cube];
    int bound = threshold_ + 1;
    const size_t best = FirstNearest(colours.data(), colours.size(), colour & 0xFFFFFF, bound);
    return best != colours.size() ? nearRanks_[cube][best] : kNone;
}
