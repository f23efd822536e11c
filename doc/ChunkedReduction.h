// Colour counting, reduction and mapping of a large picture in the direct
// colour table, split into consecutive chunks that threads count and map at
// the same time. The palette and indices are those of one count of the
// whole picture (see CTruecolourTable::ChunkShare), whatever the chunks.
#pragma once

#include "codec/MapRaster.h"
#include "doc/TruecolourTable.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// From this many pixels on, the direct table's 64 MiB (of which a picture
// touches only the pages its colours fall on) cost less than hashing.
constexpr size_t kTablePixels = size_t(1) << 20;

// Threads for counting and mapping n pixels in the direct table, unless the
// caller asks for a number (requested > 0): one per 2^19 pixels (a chunk then
// takes milliseconds, starting a thread microseconds), at most one per core
// an import may use (CoresPerImport) and 4, as each brings a table of its own.
unsigned TableThreads(size_t n, unsigned requested = 0);

// Sizes raster to width x height (RasterError leaves it as it was), then
// gives it all 256 entries of palette and colorCount: the last step of a
// reduction that worked on a copy of the raster's palette.
void ResizeWithPalette(CMapRaster& raster, uint32_t width, uint32_t height, const uint32_t* palette,
                       int colorCount);

// Pixels as words (colour identity in all 32 bits).
struct WordPixels {
    const uint32_t* words;
    uint32_t operator()(size_t i) const { return words[i]; }
};

// Packed 3-byte pixels, with a byte of slack after the last.
struct RgbPixels {
    const uint8_t* bytes;
    uint32_t operator()(size_t i) const { return RgbPixel(bytes, i); }
};

template <typename Pixels>
class CChunkedReduction {
public:
    // Chunk k is pixels [first[k], first[k + 1]); first runs from 0 to the
    // pixel count. Throws std::bad_alloc.
    CChunkedReduction(Pixels pixels, std::vector<size_t> first);

    // first for `chunks` chunks of nearly equal size.
    static std::vector<size_t> EqualChunks(size_t n, unsigned chunks);

    unsigned Chunks() const { return unsigned(tables_.size()); }

    // Counts chunk k (once); different chunks may be counted at the same
    // time. Returns false when a pixel uses bits 24-31.
    bool Count(unsigned k);

    // Counts every chunk, each on a thread of its own. Returns false when a
    // pixel uses bits 24-31.
    bool CountAll();

    // Takes the pages of every chunk's counts (CTruecolourTable::PopulateCounts).
    void PopulateTables() noexcept;

    // After every chunk is counted: reduces the colours to at most
    // IMPORT_MAX_COLORS, sizes raster to width x height (RasterError leaves it
    // as it was) and sets its palette and index plane, on `threads` threads.
    void ReduceInto(CMapRaster& raster, uint32_t width, uint32_t height, unsigned threads);

private:
    Pixels pixels_;
    std::vector<size_t> first_;
    std::vector<std::unique_ptr<CTruecolourTable>> tables_;
};
