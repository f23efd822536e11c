// Counts a pixel list with the colour histogram, reduces it and checks the
// palette and every pixel's index against a plain, slow merge written out
// step by step below: a stable sort by count, then passes that compare each
// colour with every earlier survivor of the pass.
#include "doc/ColorHistogram.h"
#include "doc/SurvivorGrid.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

struct Colour {
    uint32_t value;
    int count;
    int mergedInto = -1;  // index into the colour list, -1 while it survives
};

struct Reduced {
    std::vector<uint32_t> palette;
    std::vector<int> indexOfPixel;
};

// Merges as described, without grids or hash chains: O(colours^2) per pass.
Reduced ReferenceReduce(const std::vector<uint32_t>& pixels, int target)
{
    std::vector<Colour> colours;
    for (uint32_t p : pixels) {
        auto it = std::find_if(colours.begin(), colours.end(), [&](const Colour& c) { return c.value == p; });
        if (it == colours.end())
            colours.push_back({p, 1});
        else
            ++it->count;
    }
    std::vector<int> order(colours.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return colours[a].count > colours[b].count; });

    if (order.size() > size_t(target)) {
        int t = 1;
        while ((size_t(1) << t) < order.size())
            ++t;
        for (; order.size() > size_t(target); ++t) {
            std::vector<int> survivors{order[0]};
            for (size_t i = 1; i < order.size(); ++i) {
                const uint32_t c = colours[order[i]].value;
                int best = survivors[0];
                for (int s : survivors)
                    if (ColorDistance(c, colours[s].value) < ColorDistance(c, colours[best].value))
                        best = s;
                if (ColorDistance(c, colours[best].value) <= t)
                    colours[order[i]].mergedInto = best;
                else
                    survivors.push_back(order[i]);
            }
            order = survivors;
        }
    }

    Reduced out;
    std::vector<int> index(colours.size(), -1);
    for (size_t i = 0; i < order.size(); ++i) {
        index[order[i]] = int(i);
        out.palette.push_back(colours[order[i]].value);
    }
    for (uint32_t p : pixels) {
        int c = int(std::find_if(colours.begin(), colours.end(), [&](const Colour& e) { return e.value == p; }) -
                    colours.begin());
        while (colours[c].mergedInto >= 0)
            c = colours[c].mergedInto;
        out.indexOfPixel.push_back(index[c]);
    }
    return out;
}

}  // namespace

// Input: the target (first byte + 1, so 1 to 256), then 4-byte pixel values, low byte first.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5 || size > 4097)
        return 0;
    const int target = data[0] + 1;
    std::vector<uint32_t> pixels;
    for (size_t at = 1; at + 4 <= size; at += 4)
        pixels.push_back(data[at] | data[at + 1] << 8 | data[at + 2] << 16 | uint32_t(data[at + 3]) << 24);

    CColorHistogram histogram;
    for (uint32_t p : pixels)
        histogram.AddColor(p);
    constexpr uint32_t kUntouched = 0xDEADBEEF;
    uint32_t palette[256];
    std::fill(palette, palette + 256, kUntouched);
    const int count = histogram.Reduce(target, palette);

    const Reduced expected = ReferenceReduce(pixels, target);
    if (count != int(expected.palette.size()) || count > target)
        std::abort();
    if (!std::equal(expected.palette.begin(), expected.palette.end(), palette))
        std::abort();
    if (std::any_of(palette + count, palette + 256, [](uint32_t p) { return p != kUntouched; }))
        std::abort();
    for (size_t i = 0; i < pixels.size(); ++i)
        if (histogram.IndexOf(pixels[i]) != expected.indexOfPixel[i])
            std::abort();
    return 0;
}
