#include "doc/ColorHistogram.h"

#include "doc/SurvivorGrid.h"

#include <algorithm>

namespace {

constexpr int kFirstSlotBits = 10;

// Smallest k >= 1 with n <= 2^k.
int FirstThreshold(size_t n)
{
    int k = 1;
    while (k < 63 && (size_t(1) << k) < n)
        ++k;
    return k;
}

}  // namespace

CColorHistogram::CColorHistogram() : slots_(size_t(1) << kFirstSlotBits), slotBits_(kFirstSlotBits) {}

// Doubles the table; taken at half full, so probe runs stay short.
void CColorHistogram::GrowTable()
{
    std::vector<uint64_t> bigger(slots_.size() * 2);
    slots_.swap(bigger);
    ++slotBits_;
    const size_t mask = slots_.size() - 1;
    for (uint64_t slot : bigger) {
        if (slot == 0)
            continue;
        size_t i = SlotOf(uint32_t(slot));
        while (slots_[i] != 0)
            i = (i + 1) & mask;
        slots_[i] = slot;
    }
    lastSlot_ = nullptr;
}

// The slot of value, or the empty slot where it belongs.
uint64_t& CColorHistogram::SlotFor(uint32_t value)
{
    const size_t mask = slots_.size() - 1;
    size_t i = SlotOf(value);
    while (slots_[i] != 0 && uint32_t(slots_[i]) != value)
        i = (i + 1) & mask;
    return slots_[i];
}

const uint64_t* CColorHistogram::FindSlot(uint32_t value) const
{
    const size_t mask = slots_.size() - 1;
    for (size_t i = SlotOf(value); slots_[i] != 0; i = (i + 1) & mask)
        if (uint32_t(slots_[i]) == value)
            return &slots_[i];
    return nullptr;
}

void CColorHistogram::AddColor(uint32_t value)
{
    constexpr uint64_t kOne = uint64_t(1) << 32;
    if (lastSlot_ && lastValue_ == value) {
        *lastSlot_ += kOne;
        return;
    }
    uint64_t* slot = &SlotFor(value);
    if (*slot == 0) {
        // Grow first (may throw) so that a failure leaves the count whole.
        if (2 * (firstSeen_.size() + 1) > slots_.size()) {
            GrowTable();
            slot = &SlotFor(value);
        }
        if (firstSeen_.size() == firstSeen_.capacity())
            firstSeen_.reserve(std::max<size_t>(2 * firstSeen_.capacity(), 1024));
        firstSeen_.push_back(value);
        *slot = value;
    }
    *slot += kOne;
    lastValue_ = value;
    lastSlot_ = slot;
}

int CColorHistogram::IndexOf(uint32_t value) const
{
    const uint64_t* slot = FindSlot(value);
    return slot ? int(*slot >> 32) - 1 : 0;
}

// Largest count first; equal counts keep their order of first appearance,
// so every machine gives the same palette.
void CColorHistogram::SortByCount()
{
    store_.reserve(firstSeen_.size());
    for (uint32_t value : firstSeen_)
        store_.push_back({value, int32_t(*FindSlot(value) >> 32)});
    std::vector<uint32_t>().swap(firstSeen_);
    std::stable_sort(store_.begin(), store_.end(),
                     [](const ColorEntry& a, const ColorEntry& b) { return a.count > b.count; });
    entries_.reserve(store_.size());
    for (ColorEntry& e : store_) {
        e.count = 0;
        entries_.push_back(&e);
    }
}

// Keeps an entry only if it is farther than threshold from every survivor
// before it; the others are merged into their nearest such survivor.
void CColorHistogram::MergePass(int threshold)
{
    CSurvivorGrid grid(threshold);
    size_t kept = 0;
    for (ColorEntry* e : entries_) {
        ColorEntry* nearest = kept ? grid.FindNearest(e->colour) : nullptr;
        if (nearest) {
            merged_.push_back({uint32_t(e - store_.data()), uint32_t(nearest - store_.data())});
        } else {
            grid.Add(e);
            entries_[kept++] = e;
        }
    }
    entries_.resize(kept);
    ++passes_;
}

void CColorHistogram::AssignIndices(uint32_t* palette)
{
    for (size_t i = 0; i < entries_.size(); ++i)
        entries_[i]->count = int32_t(i);
    // A survivor merged in a later pass stands later in the merged list, so
    // walking backwards resolves chains of merges.
    for (auto m = merged_.rbegin(); m != merged_.rend(); ++m)
        store_[m->entry].count = store_[m->into].count;
    for (size_t i = 0; i < entries_.size(); ++i)
        palette[i] = entries_[i]->colour;
    // The table answers IndexOf from here on.
    for (const ColorEntry& e : store_) {
        SlotFor(e.colour) = e.colour | uint64_t(e.count + 1) << 32;
    }
}

int CColorHistogram::Reduce(int target, uint32_t* palette)
{
    target = std::max(target, 1);
    passes_ = 0;
    SortByCount();
    merged_.reserve(store_.size());
    if (entries_.size() > size_t(target)) {
        // At threshold 255 everything merges into the first entry, so this ends.
        for (int t = FirstThreshold(entries_.size()); entries_.size() > size_t(target); ++t)
            MergePass(t);
    }
    AssignIndices(palette);
    return int(entries_.size());
}
