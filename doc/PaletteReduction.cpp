// The two users of the colour histogram: truecolour import and the
// colour-count command.
#include "doc/ChunkedReduction.h"
#include "doc/ColorHistogram.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

template <typename Pixels>
void SetPixels(CMapRaster& raster, int32_t width, int32_t height, Pixels pixels, unsigned threads)
{
    if (width < 0 || height < 0)
        throw RasterError("picture size " + std::to_string(width) + " x " + std::to_string(height) +
                          " is negative");
    const size_t n = size_t(width) * size_t(height);

    // Large pictures are counted in the direct table, unless a pixel uses bits 24-31.
    if (n >= kTablePixels) {
        threads = TableThreads(n, threads);
        std::unique_ptr<CChunkedReduction<Pixels>> reduction;
        try {
            reduction = std::make_unique<CChunkedReduction<Pixels>>(
                pixels, CChunkedReduction<Pixels>::EqualChunks(n, threads));
        } catch (const std::bad_alloc&) {
            if (threads == 1)
                throw;
            // No room for a table per thread: one thread, as the result is the same.
            threads = 1;
            reduction = std::make_unique<CChunkedReduction<Pixels>>(pixels, std::vector<size_t>{0, n});
        }
        if (reduction->CountAll()) {
            reduction->ReduceInto(raster, uint32_t(width), uint32_t(height), threads);
            return;
        }
    }

    // Reduce into a copy and resize before touching the raster, so that a
    // failure on the way leaves the raster as it was.
    uint32_t palette[256];
    std::copy(std::begin(raster.palette), std::end(raster.palette), palette);

    // Counted from the last pixel to the first: this order of first
    // appearance decides the order of equally frequent colours. Table slots
    // are fetched a few pixels ahead, as lookups in a large table miss the cache.
    constexpr size_t kAhead = 16;
    CColorHistogram histogram;
    for (size_t i = n; i-- > 0;) {
        if (i >= kAhead)
            histogram.Prefetch(pixels(i - kAhead));
        histogram.AddColor(pixels(i));
    }
    const int colorCount = histogram.Reduce(IMPORT_MAX_COLORS, palette);
    ResizeWithPalette(raster, uint32_t(width), uint32_t(height), palette, colorCount);
    uint8_t* plane = raster.IndexPlane();
    uint32_t lastValue = 0;
    uint8_t lastIndex = 0;
    bool haveLast = false;
    for (size_t i = n; i-- > 0;) {
        if (i >= kAhead)
            histogram.Prefetch(pixels(i - kAhead));
        const uint32_t value = pixels(i);
        if (!haveLast || value != lastValue) {
            lastValue = value;
            lastIndex = uint8_t(histogram.IndexOf(lastValue));
            haveLast = true;
        }
        plane[i] = lastIndex;
    }
}

}  // namespace

void SetTruecolorPixels(CMapRaster& raster, int32_t width, int32_t height, const uint32_t* pixels, unsigned threads)
{
    SetPixels(raster, width, height, WordPixels{pixels}, threads);
}

void SetRgbPixels(CMapRaster& raster, int32_t width, int32_t height, const uint8_t* rgb, unsigned threads)
{
    SetPixels(raster, width, height, RgbPixels{rgb}, threads);
}

void ReduceColorCount(CMapRaster& raster, int target)
{
    if (target < 1)
        throw std::invalid_argument("colour count must be at least 1, not " + std::to_string(target));
    if (target >= raster.colorCount)
        return;

    uint32_t oldPalette[256];
    std::copy(std::begin(raster.palette), std::end(raster.palette), oldPalette);
    const size_t n = raster.PixelCount();
    uint8_t* plane = raster.HasPixels() ? raster.IndexPlane() : nullptr;

    // Only colours that pixels use take part; unused palette entries drop out.
    CColorHistogram histogram;
    bool used[256] = {};
    for (size_t i = n; plane && i-- > 0;) {
        histogram.AddColor(oldPalette[plane[i]]);
        used[plane[i]] = true;
    }

    uint32_t palette[256];
    std::copy(std::begin(raster.palette), std::end(raster.palette), palette);
    const int colorCount = histogram.Reduce(target, palette);

    uint8_t newIndex[256] = {};
    for (int v = 0; v < 256; ++v)
        if (used[v])
            newIndex[v] = uint8_t(histogram.IndexOf(oldPalette[v]));
    std::copy(std::begin(palette), std::end(palette), raster.palette);
    raster.colorCount = colorCount;
    for (size_t i = 0; plane && i < n; ++i)
        plane[i] = newIndex[plane[i]];
}
