#include "doc/ColorHistogram.h"

#include "doc/ColourMerge.h"

#include <algorithm>

namespace {

constexpr int kFirstSlotBits = 10;

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
        if (2 * (colours_.size() + 1) > slots_.size()) {
            GrowTable();
            slot = &SlotFor(value);
        }
        if (colours_.size() == colours_.capacity())
            colours_.reserve(std::max<size_t>(2 * colours_.capacity(), 1024));
        colours_.push_back(value);
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

int CColorHistogram::Reduce(int target, uint32_t* palette)
{
    ColourList counts(colours_.size());
    for (size_t i = 0; i < colours_.size(); ++i)
        counts[i] = uint32_t(*FindSlot(colours_[i]) >> 32);
    RankByCount(colours_, counts);
    CColourMerge merge;
    const int count = merge.Run(colours_, target, palette);
    passes_ = merge.Passes();
    // The table answers IndexOf from here on.
    const ColourList& index = merge.IndexOfRank();
    for (size_t rank = 0; rank < colours_.size(); ++rank)
        SlotFor(colours_[rank]) = colours_[rank] | uint64_t(index[rank] + 1) << 32;
    return count;
}
