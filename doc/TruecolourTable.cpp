#include "doc/TruecolourTable.h"

#include "doc/ColourMerge.h"

#include "doc/ZeroedMemory.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace {

constexpr size_t kColours = size_t(1) << 24;
constexpr size_t kTableBytes = kColours * sizeof(uint32_t);
constexpr uint32_t kColourMask = kColours - 1;

// Table entries are fetched this many colours ahead: in a picture of many
// colours nearly every access misses the cache.
constexpr size_t kAhead = 16;

// Pixels go through the table in blocks. The slots of a block are worked out
// and their entries fetched while the block before is counted or mapped, so
// the entries have mostly arrived when they are used.
constexpr size_t kBlock = 32;

class BlockSlots {
public:
    // Slots of pixelAt(first .. first + count - 1), count <= kBlock; starts
    // fetching their entries in table.
    template <typename PixelAt, typename Entry>
    void Fetch(PixelAt pixelAt, size_t first, size_t count, const Entry* table)
    {
        count_ = count;
        for (size_t j = 0; j < count; ++j) {
            slots_[j] = ColourSlot(pixelAt(first + j) & kColourMask);
            __builtin_prefetch(table + slots_[j]);
        }
    }
    size_t Count() const { return count_; }
    uint32_t operator[](size_t j) const { return slots_[j]; }

private:
    uint32_t slots_[kBlock];
    size_t count_ = 0;
};

// Calls use(step, slot) for step 0 .. n-1, where slot is the slot of
// pixelAt(step), with the table entries fetched a block ahead.
template <typename PixelAt, typename Entry, typename Use>
void ForEachSlot(size_t n, PixelAt pixelAt, const Entry* table, Use use)
{
    BlockSlots blocks[2];
    blocks[0].Fetch(pixelAt, 0, std::min(n, kBlock), table);
    for (size_t first = 0, b = 0; first < n; first += kBlock, b ^= 1) {
        if (first + kBlock < n)
            blocks[b ^ 1].Fetch(pixelAt, first + kBlock, std::min(n - first - kBlock, kBlock), table);
        const BlockSlots& block = blocks[b];
        for (size_t j = 0; j < block.Count(); ++j)
            use(first + j, block[j]);
    }
}

// The filter of wrapped counts: one bit per hash of a colour.
constexpr size_t kFilterBits = size_t(1) << 16;
size_t FilterBit(uint32_t colour) { return (colour * 0x9E3779B1u) >> 16; }

}  // namespace

// Takes pages only where colours land, in large pages: colours scatter over
// the table, and with small pages the faults (one per 4 KiB touched) and TLB
// misses cost more than clearing the few large pages a picture's colours fall in.
CTruecolourTable::CTruecolourTable() : table_(static_cast<uint32_t*>(AllocateZeroed(kTableBytes))) {}

CTruecolourTable::~CTruecolourTable() { ReleaseZeroed(table_, kTableBytes); }

void CTruecolourTable::PopulateCounts() noexcept
{
    PopulatePages(table_, kTableBytes / 2);  // the 16-bit counts
}

template <typename PixelAt>
uint32_t CTruecolourTable::CountPixels(size_t n, PixelAt pixelAt)
{
    // 16-bit counts over the table's first half: half the cache lines of
    // 32-bit ones. A count that wraps restarts at 1 and leaves a note of the
    // 65535 it dropped in overflow_ (one note per 65535 pixels, so few).
    uint32_t highBits = 0;
    // Fresh pages, taken only as colours arrive: the list never moves.
    colours_.reserve(std::min(n, kColours));
    uint16_t* table = reinterpret_cast<uint16_t*>(table_);
    ForEachSlot(n, pixelAt, table, [&](size_t step, uint32_t slot) {
        const uint32_t value = pixelAt(step);
        highBits |= value;
        const uint16_t count = ++table[slot];
        if (count <= 1) {
            if (count == 1) {
                colours_.push_back(value & kColourMask);
            } else {
                table[slot] = 1;
                overflow_.push_back(value & kColourMask);
            }
        }
    });
    pixels_ += n;
    return highBits;
}

bool CTruecolourTable::Count(const uint32_t* pixels, size_t n)
{
    const uint32_t highBits = CountPixels(n, [pixels, n](size_t step) { return pixels[n - 1 - step]; });
    return (highBits & ~kColourMask) == 0;
}

void CTruecolourTable::CountRgb(const uint8_t* rgb, size_t n)
{
    CountPixels(n, [rgb, n](size_t step) { return RgbPixel(rgb, n - 1 - step); });
}

namespace {

// The 65535s that wrapped counts dropped, per colour, found through a filter
// small enough to stay in the cache: most colours never wrapped.
class DroppedCounts {
public:
    explicit DroppedCounts(const ColourList& notes)
    {
        if (notes.empty())
            return;
        mayHaveWrapped_.resize(kFilterBits);
        for (uint32_t colour : notes) {
            dropped_[colour] += 65535;
            mayHaveWrapped_[FilterBit(colour)] = true;
        }
    }
    bool Any() const { return !dropped_.empty(); }
    uint32_t Of(uint32_t colour) const
    {
        if (dropped_.empty() || !mayHaveWrapped_[FilterBit(colour)])
            return 0;
        const auto found = dropped_.find(colour);
        return found == dropped_.end() ? 0 : found->second;
    }

private:
    std::unordered_map<uint32_t, uint32_t> dropped_;
    std::vector<bool> mayHaveWrapped_;
};

}  // namespace

// Per colour of colours_, its pixel count.
ColourList CTruecolourTable::Counts() const
{
    const auto* table = reinterpret_cast<const uint16_t*>(table_);
    const size_t colours = colours_.size();
    ColourList counts(colours);
    for (size_t i = 0; i < colours; ++i) {
        if (i + kAhead < colours)
            __builtin_prefetch(&table[ColourSlot(colours_[i + kAhead])]);
        counts[i] = table[ColourSlot(colours_[i])];
    }
    const DroppedCounts dropped(overflow_);
    if (dropped.Any())
        for (size_t i = 0; i < colours; ++i)
            counts[i] += dropped.Of(colours_[i]);
    return counts;
}

void CTruecolourTable::ChunkShare(std::span<const CTruecolourTable* const> chunks, size_t k, ColourList& share,
                                  ColourList& counts)
{
    std::vector<const uint16_t*> tables;
    std::vector<DroppedCounts> dropped;
    for (size_t j = 0; j < chunks.size(); ++j) {
        tables.push_back(reinterpret_cast<const uint16_t*>(chunks[j]->table_));
        if (j <= k)
            dropped.emplace_back(chunks[j]->overflow_);
    }
    const ColourList& colours = chunks[k]->colours_;
    const size_t n = colours.size();
    share.reserve(n);
    counts.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if (i + kAhead < n) {
            const uint32_t ahead = ColourSlot(colours[i + kAhead]);
            for (const uint16_t* table : tables)
                __builtin_prefetch(&table[ahead]);
        }
        const uint32_t colour = colours[i], slot = ColourSlot(colour);
        bool later = false;
        for (size_t j = k + 1; j < tables.size(); ++j)
            later |= tables[j][slot] != 0;
        if (later)
            continue;
        uint32_t count = 0;
        for (size_t j = 0; j <= k; ++j)
            count += tables[j][slot] + dropped[j].Of(colour);
        share.push_back(colour);
        counts.push_back(count);
    }
}

int CTruecolourTable::Reduce(int target, uint32_t* palette)
{
    // Every count 1: the order of first appearance is already the ranking.
    if (colours_.size() != pixels_) {
        ColourList counts = Counts();
        RankByCount(colours_, counts);
    }
    return Merge(target, palette);
}

int CTruecolourTable::ReduceJoined(ColourList colours, ColourList counts, size_t pixels, int target,
                                   uint32_t* palette)
{
    colours_ = std::move(colours);
    if (colours_.size() != pixels)
        RankByCount(colours_, counts);
    return Merge(target, palette);
}

int CTruecolourTable::Merge(int target, uint32_t* palette)
{
    // The merging's field wants every present colour's entry above its keys;
    // the counts are no longer needed.
    uint32_t* field = nullptr;
    if (CColourMerge::UsesField(colours_.size(), target)) {
        std::memset(table_, 0xFF, kTableBytes);
        field = table_;
    }
    CColourMerge merge;
    const int count = merge.Run(colours_, target, palette, field);
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

template <typename PixelAt>
void CTruecolourTable::MapPixels(size_t n, PixelAt pixelAt, uint8_t* plane) const
{
    const auto* indexOfSlot = reinterpret_cast<const uint8_t*>(table_);
    ForEachSlot(n, pixelAt, indexOfSlot,
                [plane, indexOfSlot](size_t step, uint32_t slot) { plane[step] = indexOfSlot[slot]; });
}

void CTruecolourTable::Map(const uint32_t* pixels, size_t n, uint8_t* plane) const
{
    MapPixels(n, [pixels](size_t step) { return pixels[step]; }, plane);
}

void CTruecolourTable::MapRgb(const uint8_t* rgb, size_t n, uint8_t* plane) const
{
    MapPixels(n, [rgb](size_t step) { return RgbPixel(rgb, step); }, plane);
}
