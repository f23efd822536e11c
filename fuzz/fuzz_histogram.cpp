// Counts a pixel list with the colour histogram, reduces it and checks the
// palette and every pixel's index against the plain, slow reference merge.
#include "doc/ColorHistogram.h"
#include "tests/support/ReferenceReduction.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

struct Reduced {
    std::vector<uint32_t> palette;
    std::vector<int> indexOfPixel;
};

Reduced ReferenceReduce(const std::vector<uint32_t>& pixels, int target)
{
    std::vector<std::pair<uint32_t, int>> counts;  // in order of first appearance
    std::vector<size_t> colourOfPixel;
    for (uint32_t p : pixels) {
        auto it = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == p; });
        if (it == counts.end())
            it = counts.insert(counts.end(), std::pair<uint32_t, int>{p, 0});
        ++it->second;
        colourOfPixel.push_back(size_t(it - counts.begin()));
    }
    Reduced out;
    const std::vector<int> index = testsupport::ReferenceReduce(counts, target, out.palette);
    for (size_t c : colourOfPixel)
        out.indexOfPixel.push_back(index[c]);
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
