// Nearest-survivor search for one merging pass of the colour histogram.
#pragma once

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
// is larger than the threshold, so a search looks at no more than 3 x 3 x 3
// cubes (and skips the empty ones by a bit mask). Gives exactly what a linear scan over the survivors in the order they
// were added gives: the nearest, and of equally near ones the first added.
class CSurvivorGrid {
public:
    explicit CSurvivorGrid(int threshold);

    // Survivors are added in rising rank.
    void Add(uint32_t colour, uint32_t rank);

    // The rank of the nearest survivor if its distance is at most the
    // threshold, else kNone.
    static constexpr uint32_t kNone = UINT32_MAX;
    uint32_t FindNearest(uint32_t colour) const;

private:
    int CellOf(int redCell, int greenCell, int blueCell) const;

    int threshold_;
    int side_;
    int cellsPerAxis_;
    std::vector<int32_t> cellHeads_;   // first survivor of each cube, -1 for none
    std::vector<uint32_t> blueCells_;  // per red and green cube: bit b set if cube b holds a survivor
    std::vector<int32_t> nextInCell_;  // per survivor: the next one in its cube
    std::vector<uint32_t> colours_;    // per survivor: its colour, read without a pointer
    std::vector<uint32_t> ranks_;
};
