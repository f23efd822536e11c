#include "codec/RunLabels.h"

#include <algorithm>
#include <vector>

void LabelRuns(const CMapRaster& raster, const uint8_t* plane, uint32_t* labels)
{
    const uint32_t w = raster.width;
    // Left ends of the previous and the current row's runs, each list closed by w.
    std::vector<uint32_t> above, here;
    above.reserve(w + 1);
    here.reserve(w + 1);
    uint32_t run = 0, aboveFirst = 0;
    for (uint32_t y = 0; y < raster.height; ++y) {
        const uint8_t* row = plane + size_t(y) * w;
        const uint8_t* rowAbove = row - w;
        const uint32_t hereFirst = run;
        here.clear();
        size_t j = 0;  // first run above that may still touch
        for (uint32_t x = 0; x < w;) {
            const uint32_t end = RunEndFrom(row, x, w);
            labels[run] = RUN_ROOT | std::min(end - x, RUN_PIXELS);
            here.push_back(x);
            if (y > 0) {
                while (above[j + 1] <= x)
                    ++j;
                for (size_t k = j; above[k] < end; ++k)
                    if (rowAbove[above[k]] == row[x])
                        UniteRuns(labels, run, aboveFirst + uint32_t(k));
            }
            ++run;
            x = end;
        }
        here.push_back(w);
        above.swap(here);
        aboveFirst = hereFirst;
    }
}
