#include "doc/TruecolourTable.h"

#include "doc/ColourMerge.h"

#include "doc/ZeroedMemory.h"

namespace {

constexpr size_t kColours = size_t(1) << 24;
constexpr size_t kTableBytes = kColours * sizeof(uint32_t);
constexpr uint32_t kColourMask = kColours - 1;

// Table entries are fetched this many pixels ahead: in a picture of many
// colours nearly every access misses the cache.
constexpr size_t kAhead = 16;

// The table slots of the pixels a loop takes next, each worked out once
// and its entry fetched kAhead steps before it is used.
template <typename PixelAt>
class SlotsAhead {
public:
    SlotsAhead(size_t n, PixelAt pixelAt) : n_(n), pixelAt_(pixelAt)
    {
        for (size_t step = 0; step < kAhead && step < n; ++step)
            slots_[step] = SlotOf(step);
    }

    // The slot for step; starts fetching the one kAhead steps later.
    template <typename Entry>
    uint32_t Next(size_t step, const Entry* table)
    {
        const uint32_t slot = slots_[step % kAhead];
        if (step + kAhead < n_) {
            const uint32_t later = SlotOf(step + kAhead);
            __builtin_prefetch(table + later);
            slots_[step % kAhead] = later;
        }
        return slot;
    }

private:
    uint32_t SlotOf(size_t step) const { return ColourSlot(pixelAt_(step) & kColourMask); }

    size_t n_;
    PixelAt pixelAt_;
    uint32_t slots_[kAhead];
};

}  // namespace

// Takes pages only where colours land. From 2^24 pixels on (where the whole
// table is at most 4 bytes per pixel) in large pages: colours scatter over
// the table, and with small pages most accesses would miss the TLB; smaller
// pictures keep to the few small pages their colours touch.
CTruecolourTable::CTruecolourTable(size_t pixels)
    : table_(static_cast<uint32_t*>(AllocateZeroed(kTableBytes, pixels >= kColours)))
{
}

CTruecolourTable::~CTruecolourTable() { ReleaseZeroed(table_, kTableBytes); }

bool CTruecolourTable::Count(const uint32_t* pixels, size_t n)
{
    // A count c is kept as 2^32 - c, so that a present colour's entry is
    // above every distance key of the merging's field (see CColourMerge).
    uint32_t highBits = 0;
    SlotsAhead ahead(n, [pixels, n](size_t step) { return pixels[n - 1 - step]; });
    for (size_t step = 0; step < n; ++step) {
        const uint32_t value = pixels[n - 1 - step];
        highBits |= value;
        if (table_[ahead.Next(step, table_)]-- == 0)
            colours_.push_back(value & kColourMask);
    }
    allDistinct_ = colours_.size() == n;
    return (highBits & ~kColourMask) == 0;
}

int CTruecolourTable::Reduce(int target, uint32_t* palette)
{
    // Every count 1: the order of first appearance is already the ranking.
    if (!allDistinct_) {
        const size_t colours = colours_.size();
        ColourList counts(colours);
        for (size_t i = 0; i < colours; ++i) {
            if (i + kAhead < colours)
                __builtin_prefetch(&table_[ColourSlot(colours_[i + kAhead])]);
            counts[i] = 0 - table_[ColourSlot(colours_[i])];
        }
        RankByCount(colours_, counts);
    }
    CColourMerge merge;
    const int count = merge.Run(colours_, target, palette, table_);
    passes_ = merge.Passes();
    // The palette indices go to a byte table over the first quarter of the
    // table's memory (its counts and the field are no longer needed): a
    // quarter of the cache lines for Map to touch.
    const ColourList& index = merge.IndexOfRank();
    auto* indexOfSlot = reinterpret_cast<uint8_t*>(table_);
    const size_t colours = colours_.size();
    for (size_t rank = 0; rank < colours; ++rank) {
        if (rank + kAhead < colours)
            __builtin_prefetch(&indexOfSlot[ColourSlot(colours_[rank + kAhead])], 1);
        indexOfSlot[ColourSlot(colours_[rank])] = uint8_t(index[rank]);
    }
    return count;
}

void CTruecolourTable::Map(const uint32_t* pixels, size_t n, uint8_t* plane) const
{
    const auto* indexOfSlot = reinterpret_cast<const uint8_t*>(table_);
    SlotsAhead ahead(n, [pixels](size_t step) { return pixels[step]; });
    for (size_t i = 0; i < n; ++i)
        plane[i] = indexOfSlot[ahead.Next(i, indexOfSlot)];
}
