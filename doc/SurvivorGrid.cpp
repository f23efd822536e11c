#include "doc/SurvivorGrid.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Small thresholds would make many tiny cubes; this side keeps the table small.
constexpr int kMinCubeSide = 8;

int Channel(uint32_t colour, int shift) { return int((colour >> shift) & 0xFF); }

constexpr size_t kLanes = CSurvivorGrid::kLanes;
constexpr size_t kBlockBytes = CSurvivorGrid::kBlockBytes;

#if defined(__SSE2__)
__m128i AbsDiff(__m128i a, __m128i b) { return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a)); }

// Per lane of a block: the distance to the colour whose channels fill r, g and b.
__m128i BlockDistances(const uint8_t* block, __m128i r, __m128i g, __m128i b)
{
    const auto* v = reinterpret_cast<const __m128i*>(block);
    return _mm_max_epu8(_mm_max_epu8(AbsDiff(_mm_loadu_si128(v), r), AbsDiff(_mm_loadu_si128(v + 1), g)),
                        AbsDiff(_mm_loadu_si128(v + 2), b));
}

// Of blocks[0..count-1] (count >= 1), the position of the first survivor
// nearest to colour if its distance is below bound, else SIZE_MAX. Finds the
// least distance first, then its first lane.
size_t FirstNearest(const uint8_t* blocks, size_t count, uint32_t colour, int bound)
{
    const __m128i r = _mm_set1_epi8(char(colour & 0xFF));
    const __m128i g = _mm_set1_epi8(char(colour >> 8 & 0xFF));
    const __m128i b = _mm_set1_epi8(char(colour >> 16 & 0xFF));
    // The first block's distances are kept: the nearest is mostly there.
    const __m128i first = BlockDistances(blocks, r, g, b);
    __m128i least = first;
    for (size_t k = 1; k < count; ++k)
        least = _mm_min_epu8(least, BlockDistances(blocks + k * kBlockBytes, r, g, b));
    least = _mm_min_epu8(least, _mm_srli_si128(least, 8));
    least = _mm_min_epu8(least, _mm_srli_si128(least, 4));
    least = _mm_min_epu8(least, _mm_srli_si128(least, 2));
    least = _mm_min_epu8(least, _mm_srli_si128(least, 1));
    const int distance = _mm_cvtsi128_si32(least) & 0xFF;
    if (distance >= bound)
        return SIZE_MAX;
    const __m128i wanted = _mm_set1_epi8(char(distance));
    for (size_t k = 0;; ++k) {
        const __m128i distances = k == 0 ? first : BlockDistances(blocks + k * kBlockBytes, r, g, b);
        const int lanes = _mm_movemask_epi8(_mm_cmpeq_epi8(distances, wanted));
        if (lanes != 0)
            return k * kLanes + size_t(__builtin_ctz(unsigned(lanes)));
    }
}
#else
size_t FirstNearest(const uint8_t* blocks, size_t count, uint32_t colour, int bound)
{
    size_t best = SIZE_MAX;
    for (size_t k = 0; k < count; ++k) {
        const uint8_t* block = blocks + k * kBlockBytes;
        for (size_t lane = 0; lane < kLanes; ++lane) {
            const uint32_t survivor = uint32_t(block[lane]) | uint32_t(block[kLanes + lane]) << 8 |
                                      uint32_t(block[2 * kLanes + lane]) << 16;
            const int distance = ColorDistance(colour, survivor);
            if (distance < bound) {
                bound = distance;
                best = k * kLanes + lane;
            }
        }
    }
    return best;
}
#endif

}  // namespace

CSurvivorGrid::CSurvivorGrid(int threshold)
    : threshold_(std::clamp(threshold, 0, 255)),
      side_(std::max(threshold_ + 1, kMinCubeSide)),
      cubesPerAxis_((256 + side_ - 1) / side_),
      nearBlocks_(size_t(cubesPerAxis_) * size_t(cubesPerAxis_) * size_t(cubesPerAxis_)),
      nearRanks_(nearBlocks_.size())
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
                std::vector<uint8_t>& blocks = nearBlocks_[cube];
                std::vector<uint32_t>& ranks = nearRanks_[cube];
                const size_t lane = ranks.size() % kLanes;
                if (lane == 0)
                    blocks.resize(blocks.size() + kBlockBytes);
                uint8_t* block = blocks.data() + blocks.size() - kBlockBytes;
                for (size_t at = lane; at < kLanes; ++at)
                    for (int channel = 0; channel < 3; ++channel)
                        block[size_t(channel) * kLanes + at] = uint8_t(Channel(colour, 8 * channel));
                ranks.push_back(rank);
            }
}

uint32_t CSurvivorGrid::FindNearest(uint32_t colour) const
{
    const size_t cube = size_t(CubeOf(colour));
    const std::vector<uint32_t>& ranks = nearRanks_[cube];
    if (ranks.empty())
        return kNone;
    const size_t blocks = (ranks.size() + kLanes - 1) / kLanes;
    const size_t best = FirstNearest(nearBlocks_[cube].data(), blocks, colour, threshold_ + 1);
    return best != SIZE_MAX ? ranks[best] : kNone;
}
