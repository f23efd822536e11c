// The two users of the colour histogram: truecolour import and the
// colour-count command.
#include "doc/ColorHistogram.h"
#include "doc/ParallelChunks.h"
#include "doc/TruecolourTable.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

// From this many pixels on, the direct table's 64 MiB (of which a picture
// touches only the pages its colours fall on) cost less than hashing.
constexpr size_t kTablePixels = size_t(1) << 20;

// Pixels as words (colour identity in all 32 bits).
struct WordPixels {
    const uint32_t* words;
    uint32_t operator()(size_t i) const { return words[i]; }
    WordPixels From(size_t first) const { return {words + first}; }
    bool CountIn(CTruecolourTable& table, size_t n) const { return table.Count(words, n); }
    void MapIn(const CTruecolourTable& table, size_t n, uint8_t* plane) const { table.Map(words, n, plane); }
};

// Packed 3-byte pixels, with a byte of slack after the last.
struct RgbPixels {
    const uint8_t* bytes;
    uint32_t operator()(size_t i) const { return RgbPixel(bytes, i); }
    RgbPixels From(size_t first) const { return {bytes + 3 * first}; }
    bool CountIn(CTruecolourTable& table, size_t n) const
    {
        table.CountRgb(bytes, n);
        return true;
    }
    void MapIn(const CTruecolourTable& table, size_t n, uint8_t* plane) const { table.MapRgb(bytes, n, plane); }
};

// Threads for counting and mapping n pixels in the direct table, unless the
// caller asks for a number: one per 2^19 pixels (a chunk then takes
// milliseconds, starting a thread microseconds), at most one per core and 4,
// as each brings a table of its own.
unsigned TableThreads(size_t n, unsigned requested)
{
    if (requested > 0)
        return requested;
    constexpr unsigned kMaxThreads = 4;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return unsigned(std::min<size_t>({cores, kMaxThreads, std::max<size_t>(1, n >> 19)}));
}

// Counts the chunks of split in tables of their own, on threads of their
// own, and reduces the joined counts to at most IMPORT_MAX_COLORS in
// palette; returns the table to map through and sets colorCount. Null when a
// pixel uses bits 24-31.
template <typename Pixels>
std::unique_ptr<CTruecolourTable> ReduceInTables(Pixels pixels, ChunkSplit split, uint32_t* palette,
                                                 int& colorCount)
{
    std::vector<std::unique_ptr<CTruecolourTable>> tables(split.chunks);
    for (auto& table : tables)
        table = std::make_unique<CTruecolourTable>();
    std::vector<char> plain(split.chunks);
    RunChunks(split.chunks, [&](unsigned k) {
        plain[k] = pixels.From(split.First(k)).CountIn(*tables[k], split.Size(k));
    });
    if (std::find(plain.begin(), plain.end(), 0) != plain.end())
        return nullptr;
    if (split.chunks == 1) {
        colorCount = tables[0]->Reduce(IMPORT_MAX_COLORS, palette);
        return std::move(tables[0]);
    }
    std::vector<const CTruecolourTable*> chunks;
    for (const auto& table : tables)
        chunks.push_back(table.get());
    std::vector<ColourList> shares(split.chunks), counts(split.chunks);
    RunChunks(split.chunks, [&](unsigned k) { CTruecolourTable::ChunkShare(chunks, k, shares[k], counts[k]); });
    std::unique_ptr<CTruecolourTable> last = std::move(tables.back());
    tables.clear();
    // Joined from the last chunk to the first.
    auto join = [](std::vector<ColourList>& parts) {
        size_t size = 0;
        for (const ColourList& part : parts)
            size += part.size();
        ColourList joined;
        joined.reserve(size);
        for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
            joined.insert(joined.end(), part->begin(), part->end());
            ColourList().swap(*part);
        }
        return joined;
    };
    ColourList colours = join(shares);
    colorCount = last->ReduceJoined(std::move(colours), join(counts), split.n, IMPORT_MAX_COLORS, palette);
    return last;
}

template <typename Pixels>
void SetPixels(CMapRaster& raster, int32_t width, int32_t height, Pixels pixels, unsigned threads)
{
    if (width < 0 || height < 0)
        throw RasterError("picture size " + std::to_string(width) + " x " + std::to_string(height) +
                          " is negative");
    const size_t n = size_t(width) * size_t(height);

    // Reduce into a copy and resize before touching the raster, so that a
    // failure on the way leaves the raster as it was.
    uint32_t palette[256];
    std::copy(std::begin(raster.palette), std::end(raster.palette), palette);
    auto setPalette = [&](int colorCount) {
        raster.Resize(uint32_t(width), uint32_t(height));
        std::copy(std::begin(palette), std::end(palette), raster.palette);
        raster.colorCount = colorCount;
    };

    // Large pictures are counted in the direct table, unless a pixel uses bits 24-31.
    if (n >= kTablePixels) {
        const ChunkSplit split{n, std::min<unsigned>(TableThreads(n, threads), unsigned(n))};
        int colorCount = 0;
        if (const std::unique_ptr<CTruecolourTable> table = ReduceInTables(pixels, split, palette, colorCount)) {
            setPalette(colorCount);
            uint8_t* plane = raster.IndexPlane();
            RunChunks(split.chunks, [&](unsigned k) {
                pixels.From(split.First(k)).MapIn(*table, split.Size(k), plane + split.First(k));
            });
            return;
        }
    }

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
    setPalette(histogram.Reduce(IMPORT_MAX_COLORS, palette));
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
