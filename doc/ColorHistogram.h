// Colour histogram and palette reduction.
#pragma once

#include "codec/MapRaster.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Most colours an imported picture keeps (index 255 never names a colour).
constexpr int IMPORT_MAX_COLORS = 255;

// Entries are handed out from blocks of this many.
constexpr int ENTRY_BLOCK = 256;
// Hash chains, keyed on the low 14 bits of the value.
constexpr uint32_t HISTOGRAM_BUCKETS = 16384;

// One distinct 32-bit pixel value.
struct ColorEntry {
    ColorEntry* next;  // next entry of the same hash chain
    uint32_t colour;   // the whole pixel value; bits 24-31 take part in identity
    int32_t count;     // pixels while counting; palette index after Reduce
};

// Counts distinct pixel values, reduces them to a target number of palette
// entries by merging rare colours into near, more frequent ones, and then
// answers the palette index of every counted value.
// Use once: AddColor..., Reduce, IndexOf...
class CColorHistogram {
public:
    CColorHistogram();
    CColorHistogram(const CColorHistogram&) = delete;
    CColorHistogram& operator=(const CColorHistogram&) = delete;

    void AddColor(uint32_t value);

    // Reduces to at most target (>= 1) colours, writes palette[0..r-1] and
    // returns r. palette must hold 256 entries; entries from r on are left alone.
    int Reduce(int target, uint32_t* palette);

    // The palette index of a value that was added (undefined for others).
    int IndexOf(uint32_t value) const;

    // Distinct values counted so far.
    size_t DistinctColors() const { return entries_.size(); }
    // Merging passes the last Reduce ran.
    int MergePasses() const { return passes_; }

private:
    struct Merge {
        ColorEntry* entry;  // merged away ...
        ColorEntry* into;   // ... into this survivor of the same pass
    };

    ColorEntry* TakeFreeEntry();
    const ColorEntry* Find(uint32_t value) const;
    void SortByCount();
    void MergePass(int threshold);
    void AssignIndices(uint32_t* palette);

    std::vector<std::unique_ptr<ColorEntry[]>> blocks_;
    std::vector<ColorEntry*> entries_;
    std::vector<Merge> merged_;
    std::unique_ptr<ColorEntry*[]> buckets_;
    ColorEntry* free_ = nullptr;
    int passes_ = 0;
};

// Counts the truecolour pixels (width x height words, top row first), reduces
// them to at most IMPORT_MAX_COLORS and fills raster's palette, colorCount,
// size and IndexPlane. Throws RasterError (raster untouched) if the raster
// cannot be sized, or std::bad_alloc before the raster is touched.
void SetTruecolorPixels(CMapRaster& raster, int32_t width, int32_t height, const uint32_t* pixels);

// The colour-count command: when target is below colorCount, lowers the
// picture to at most target colours in place. Otherwise changes nothing.
// Throws std::invalid_argument for a target below 1.
void ReduceColorCount(CMapRaster& raster, int target);
