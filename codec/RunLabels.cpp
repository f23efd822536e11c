#include "codec/RunLabels.h"

#include <algorithm>

namespace {

// Whether any byte of [first, last) has a bit of bits.
bool AnyBits(const uint8_t* first, const uint8_t* last, uint8_t bits)
{
    const uint64_t spread = bits * 0x0101010101010101ull;
    for (; last - first >= 8; first += 8) {
        uint64_t word;
        std::memcpy(&word, first, 8);
        if (word & spread)
            return true;
    }
    for (; first != last; ++first)
        if (*first & bits)
            return true;
    return false;
}

}  // namespace

void LabelRuns(const CMapRaster& raster, const uint8_t* plane, const uint8_t* deep, uint8_t deepBits,
               uint32_t* labels)
{
    const uint32_t w = raster.width, h = raster.height;
    // Left ends of the runs of the row above and of this row, each list
    // closed by w.
    RowRunLists lists(w, h);
    uint32_t run = 0, aboveFirst = 0;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = plane + size_t(y) * w;
        const uint8_t* rowAbove = row - w;
        const uint16_t* above = lists.Above();
        uint16_t* here = lists.Here();
        const uint32_t hereFirst = run;
        size_t j = 0;  // first run above that may still touch
        for (uint32_t x = 0; x < w;) {
            const uint32_t end = RunEndFrom(row, x, w);
            // An inner run shorter than seven holds no deep pixel: most runs
            // of a scanned picture need no look.
            const bool mayBeDeep = deep && (end - x >= 7 || x == 0 || end == w);
            const bool isDeep = mayBeDeep && AnyBits(deep + size_t(y) * w + x, deep + size_t(y) * w + end, deepBits);
            labels[run] = RUN_ROOT | (isDeep ? RUN_DEEP : 0) | std::min(end - x, RUN_PIXELS);
            *here++ = uint16_t(x);
            if (y > 0) {
                // Compared in 16 bits, as the lists hold them.
                while (above[j + 1] <= uint16_t(x))
                    ++j;
                for (size_t k = j; above[k] < uint16_t(end); ++k)
                    if (rowAbove[above[k]] == row[x])
                        UniteRuns(labels, run, aboveFirst + uint32_t(k));
            }
            ++run;
            x = end;
        }
        *here = uint16_t(w);
        lists.NextRow();
        aboveFirst = hereFirst;
    }
}
