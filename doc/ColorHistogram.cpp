#include "doc/ColorHistogram.h"

#include "doc/SurvivorGrid.h"

#include <algorithm>

namespace {

uint32_t BucketOf(uint32_t value) { return value & (HISTOGRAM_BUCKETS - 1); }

// Smallest k >= 1 with n <= 2^k.
int FirstThreshold(size_t n)
{
    int k = 1;
    while (k < 63 && (size_t(1) << k) < n)
        ++k;
    return k;
}

}  // namespace

CColorHistogram::CColorHistogram() : buckets_(new ColorEntry*[HISTOGRAM_BUCKETS]())
{
}

ColorEntry* CColorHistogram::TakeFreeEntry()
{
    if (!free_) {
        blocks_.emplace_back(new ColorEntry[ENTRY_BLOCK]);
        ColorEntry* block = blocks_.back().get();
        for (int i = 0; i < ENTRY_BLOCK - 1; ++i)
            block[i].next = &block[i + 1];
        block[ENTRY_BLOCK - 1].next = nullptr;
        free_ = block;
    }
    ColorEntry* e = free_;
    free_ = e->next;
    return e;
}

void CColorHistogram::AddColor(uint32_t value)
{
    ColorEntry** head = &buckets_[BucketOf(value)];
    ColorEntry** link = head;
    for (ColorEntry* e = *link; e; e = e->next) {
        if (e->colour == value) {
            ++e->count;
            // Move to the front: frequent colours are then found first. The
            // order within a chain decides nothing else.
            if (link != head) {
                *link = e->next;
                e->next = *head;
                *head = e;
            }
            return;
        }
        link = &e->next;
    }
    if (entries_.size() == entries_.capacity())  // may throw: grow before linking
        entries_.reserve(std::max<size_t>(2 * entries_.capacity(), ENTRY_BLOCK));
    ColorEntry* e = TakeFreeEntry();
    *e = ColorEntry{nullptr, value, 1};
    *link = e;
    entries_.push_back(e);
}

const ColorEntry* CColorHistogram::Find(uint32_t value) const
{
    const ColorEntry* e = buckets_[BucketOf(value)];
    while (e && e->colour != value)
        e = e->next;
    return e;
}

int CColorHistogram::IndexOf(uint32_t value) const
{
    const ColorEntry* e = Find(value);
    return e ? e->count : 0;
}

// Largest count first; equal counts keep their order of first appearance,
// so every machine gives the same palette.
void CColorHistogram::SortByCount()
{
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const ColorEntry* a, const ColorEntry* b) { return a->count > b->count; });
    // Rechain so each chain runs from its most frequent colour down; the
    // lookups that map every pixel then stop early.
    std::fill(buckets_.get(), buckets_.get() + HISTOGRAM_BUCKETS, nullptr);
    for (auto e = entries_.rbegin(); e != entries_.rend(); ++e) {
        ColorEntry*& head = buckets_[BucketOf((*e)->colour)];
        (*e)->next = head;
        head = *e;
    }
    for (ColorEntry* e : entries_)
        e->count = 0;
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
            merged_.push_back({e, nearest});
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
        m->entry->count = m->into->count;
    for (size_t i = 0; i < entries_.size(); ++i)
        palette[i] = entries_[i]->colour;
}

int CColorHistogram::Reduce(int target, uint32_t* palette)
{
    target = std::max(target, 1);
    passes_ = 0;
    SortByCount();
    merged_.reserve(entries_.size());
    if (entries_.size() > size_t(target)) {
        // At threshold 255 everything merges into the first entry, so this ends.
        for (int t = FirstThreshold(entries_.size()); entries_.size() > size_t(target); ++t)
            MergePass(t);
    }
    AssignIndices(palette);
    return int(entries_.size());
}
