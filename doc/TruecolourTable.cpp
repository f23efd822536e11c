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

}  // namespace

// Takes pages only where colours land; large pages, as colours scatter over
// the whole table and with small ones nearly every access would miss the TLB.
CTruecolourTable::CTruecolourTable() : table_(static_cast<uint32_t*>(AllocateZeroed(kTableBytes))) {}

CTruecolourTable::~CTruecolourTable() { ReleaseZeroed(table_, kTableBytes); }

bool CTruecolourTable::Count(const uint32_t* pixels, size_t n)
{
    // A count c is kept as 2^32 - c, so that a present colour's entry is
    // above every distance key of the merging's field (see CColourMerge).
    uint32_t highBits = 0;
    for (size_t i = n; i-- > 0;) {
        if (i >= kAhead)
            __builtin_prefetch(&table_[ColourSlot(pixels[i - kAhead] & kColourMask)], 1);
        const uint32_t value = pixels[i];
        highBits |= value;
        if (table_[ColourSlot(value & kColourMask)]-- == 0)
            colours_.push_back(value & kColourMask);
    }
    allDistinct_ = colours_.size() == n;
    return (highBits & ~kColourMask) == 0;
}

int CTruecolourTable::Reduce(int target, uint32_t* palette)
{
    // Every count 1: the order of first appearance is already the ranking.
    if (!allDistinct_)
        RankByCount(colours_, [this](uint32_t colour) { return 0 - table_[ColourSlot(colour)]; });
    CColourMerge merge;
    const int count = merge.Run(colours_, target, palette, table_);
    passes_ = merge.Passes();
    // The palette indices go to a byte table over the first quarter of the
    // table's memory (its counts and the field are no longer needed): a
    // quarter of the cache lines for Map to touch.
    const std::vector<uint32_t>& index = merge.IndexOfRank();
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
    for (size_t i = 0; i < n; ++i) {
        if (i + kAhead < n)
            __builtin_prefetch(&indexOfSlot[ColourSlot(pixels[i + kAhead] & kColourMask)]);
        plane[i] = indexOfSlot[ColourSlot(pixels[i] & kColourMask)];
    }
}
