// Nearest-survivor search for one merging pass of the colour histogram.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Chebyshev distance over bits 0-23: the largest of the red, green and blue differences.
inline int ColorDistance(uint32_t a, uint32_t b)
{
    int d = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int diff = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        const int absDiff = diff < 0 ? -diff : diff;
        if (absDiff > d)
            d = absDiff;
    }
    return d;
}

// The survivors of one pass at one threshold, bucketed in RGB cubes whose side
// is larger than the threshold, so that every survivor within the threshold
// of a colour lies in the colour's cube or one of the 26 around it. Each cube
// lists the survivors of those 27 cubes, so a search reads one short list.
// Gives exactly what a linear scan over the survivors in the order they were
// added gives: the nearest, and of equally near ones the first added.
class CSurvivorGrid {
public:
    explicit CSurvivorGrid(int threshold);

    // Survivors are added in rising rank.
    void Add(uint32_t colour, uint32_t rank);

    // The rank of the nearest survivor if its distance is at most the
    // threshold, else kNone.
    static constexpr uint32_t kNone = UINT32_MAX;
    uint32_t FindNearest(uint32_t colour) const;

    // A hint that FindNearest(colour) comes soon: starts loading its list.
    void Prefetch(uint32_t colour) const { __builtin_prefetch(nearBlocks_[size_t(CubeOf(colour))].data()); }

    // Survivors are listed in blocks of this many: first their kLanes values
    // of bits 0-7, then of bits 8-15, then of bits 16-23, so that one pass of
    // byte arithmetic gives a whole block's distances.
    static constexpr size_t kLanes = 16;
    static constexpr size_t kBlockBytes = 3 * kLanes;

private:
    int CubeOf(uint32_t colour) const
    {
        return (cubeOfValue_[colour & 0xFF] * cubesPerAxis_ + cubeOfValue_[colour >> 8 & 0xFF]) * cubesPerAxis_ +
               cubeOfValue_[colour >> 16 & 0xFF];
    }

    int threshold_;
    int side_;
    int cubesPerAxis_;
    // Per cube: the colours and ranks of the survivors in it and around it,
    // in the order added. The colours are in blocks; the lanes of the last
    // block past its last survivor repeat that survivor, which can then never
    // be the first of the nearest.
    std::vector<std::vector<uint8_t>> nearBlocks_;
    std::vector<std::vector<uint32_t>> nearRanks_;
    std::array<int, 256> cubeOfValue_{};  // per channel value: its cube along the axis
};
