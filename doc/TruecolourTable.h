// Colour counting for large truecolour pictures: one table entry for each of
// the 2^24 colours, so a pixel costs one direct access instead of a hash probe.
#pragma once

#include "doc/ColourMerge.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

// Pixel i of packed 3-byte pixels (red, green, blue) as a colour, read as
// part of a word: the byte after the last pixel must be readable.
inline uint32_t RgbPixel(const uint8_t* rgb, size_t i)
{
    uint32_t word;
    std::memcpy(&word, rgb + 3 * i, sizeof word);
    return word & 0xFFFFFF;
}

// Counts, reduces and maps like CColorHistogram, the colours in bits 0-23.
// The table's 64 MiB are reserved but only the pages the picture's colours
// land on are ever touched. Use once: Count, Reduce, Map.
class CTruecolourTable {
public:
    // Throws std::bad_alloc.
    CTruecolourTable();
    ~CTruecolourTable();
    CTruecolourTable(const CTruecolourTable&) = delete;
    CTruecolourTable& operator=(const CTruecolourTable&) = delete;

    // Counts bits 0-23 of pixels[0..n-1] from the last to the first (this
    // order of first appearance decides the order of equally frequent
    // colours). Returns whether bits 24-31 were 0 in every pixel.
    bool Count(const uint32_t* pixels, size_t n);

    // The same for a picture of packed 3-byte pixels (red, green, blue);
    // rgb[3 * n] must be readable too.
    void CountRgb(const uint8_t* rgb, size_t n);

    // Takes the pages of the counts at once, so that another thread can
    // have the system clear them while this one does other work (decodes,
    // say); counting a picture of many colours touches most of them anyway.
    void PopulateCounts() noexcept;

    // As CColorHistogram::Reduce.
    int Reduce(int target, uint32_t* palette);

    // Counting in chunks: the pixels split into consecutive chunks, chunk k
    // counted in chunks[k]. One Count of all the pixels would meet the
    // colours of the last chunk first, in the order that chunk's table met
    // them, then the colours of the chunk before that are in no later chunk,
    // in that chunk's order, and so on to the first chunk; each colour's count
    // is the sum of its chunks' counts, wrapped ones included. Chunk k's share
    // of that list is its colours found in no later chunk, in its order, with
    // their counts; joined from the last chunk to the first, the shares give
    // the colours and counts of one Count. The tables are only read, so the
    // shares of different chunks can be worked out at the same time.
    static void ChunkShare(std::span<const CTruecolourTable* const> chunks, size_t k, ColourList& share,
                           ColourList& counts);

    // Reduce for a picture of `pixels` pixels counted in chunks, given the
    // joined shares, in any one of the chunks' tables; Map then maps every
    // chunk through it.
    int ReduceJoined(ColourList colours, ColourList counts, size_t pixels, int target, uint32_t* palette);

    // plane[i] = the palette index of pixels[i], for the pixels counted.
    void Map(const uint32_t* pixels, size_t n, uint8_t* plane) const;
    void MapRgb(const uint8_t* rgb, size_t n, uint8_t* plane) const;

    size_t DistinctColors() const { return colours_.size(); }
    int MergePasses() const { return passes_; }

private:
    template <typename PixelAt>
    uint32_t CountPixels(size_t n, PixelAt pixelAt);  // returns the OR of all pixels
    template <typename PixelAt>
    void MapPixels(size_t n, PixelAt pixelAt, uint8_t* plane) const;
    ColourList Counts() const;
    int Merge(int target, uint32_t* palette);  // colours_ ranked

    // Per colour (at its ColourSlot): its 16-bit pixel count while counting,
    // then the merging's field (32-bit), then its palette index (a byte).
    uint32_t* table_ = nullptr;
    ColourList overflow_;  // a colour for each 65535 pixels its count dropped
    ColourList colours_;  // in order of first appearance, ranked by Reduce
    size_t pixels_ = 0;  // pixels counted
    int passes_ = 0;
};
