#include "codec/RunLabels.h"

#include <algorithm>

void LabelRuns(const CMapRaster& raster, const uint8_t* plane, uint32_t* labels)
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
            labels[run] = RUN_ROOT | std::min(end - x, RUN_PIXELS);
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
