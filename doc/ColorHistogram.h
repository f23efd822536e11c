// Colour histogram and palette reduction.
#pragma once

#include "codec/MapRaster.h"

#include "doc/ColourMerge.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Most colours an imported picture keeps (index 255 never names a colour).
constexpr int IMPORT_MAX_COLORS = 255;

// Counts distinct 32-bit pixel values (bits 24-31 take part in identity),
// reduces them to a target number of palette entries by merging rare colours into near, more frequent ones, and then
// answers the palette index of every counted value.
// Use once: AddColor..., Reduce, IndexOf...
class CColorHistogram {
public:
    CColorHistogram();
    CColorHistogram(const CColorHistogram&) = delete;
    CColorHistogram& operator=(const CColorHistogram&) = delete;

    void AddColor(uint32_t value);
    // A hint that value comes soon: starts loading its table slot.
    void Prefetch(uint32_t value) const { __builtin_prefetch(&slots_[SlotOf(value)]); }

    // Reduces to at most target (>= 1) colours, writes palette[0..r-1] and
    // returns r. palette must hold 256 entries; entries from r on are left alone.
    int Reduce(int target, uint32_t* palette);

    // The palette index of a value that was added (undefined for others).
    int IndexOf(uint32_t value) const;

    // Distinct values counted so far.
    size_t DistinctColors() const { return colours_.size(); }
    // Merging passes the last Reduce ran.
    int MergePasses() const { return passes_; }

private:
    size_t SlotOf(uint32_t value) const
    {
        return size_t((value * 0x9E3779B97F4A7C15ull) >> (64 - slotBits_));
    }
    uint64_t& SlotFor(uint32_t value);
    const uint64_t* FindSlot(uint32_t value) const;
    void GrowTable();

    // Open addressing: a slot holds value | n << 32, 0 when empty, where n is
    // the value's pixel count while counting and its palette index + 1 after
    // Reduce. The hash mixes all 32 bits, so no channel makes colours collide.
    std::vector<uint64_t> slots_;
    int slotBits_ = 0;
    ColourList colours_;  // distinct values in order of first appearance
    uint32_t lastValue_ = 0;
    uint64_t* lastSlot_ = nullptr;  // the previous value's slot, for runs
    int passes_ = 0;
};

// Counts the truecolour pixels (width x height words, top row first), reduces
// them to at most IMPORT_MAX_COLORS and fills raster's palette, colorCount,
// size and IndexPlane. Throws RasterError (raster untouched) if the raster
// cannot be sized, or std::bad_alloc before the raster is touched. Large
// pictures are counted and mapped on `threads` threads (0: as many as pay on
// this machine); the result is the same for any number.
void SetTruecolorPixels(CMapRaster& raster, int32_t width, int32_t height, const uint32_t* pixels,
                        unsigned threads = 0);

// The same for packed 3-byte pixels (red, green, blue) with one byte of
// slack after the last: the same palette and indices as their words give.
void SetRgbPixels(CMapRaster& raster, int32_t width, int32_t height, const uint8_t* rgb, unsigned threads = 0);

// The colour-count command: when target is below colorCount, lowers the
// picture to at most target colours in place. Otherwise changes nothing.
// Throws std::invalid_argument for a target below 1.
void ReduceColorCount(CMapRaster& raster, int target);
