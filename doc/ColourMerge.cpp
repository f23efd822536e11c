#include "doc/ColourMerge.h"

#include "doc/SurvivorGrid.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// Smallest k >= 1 with n <= 2^k.
int FirstThreshold(size_t n)
{
    int k = 1;
    while (k < 63 && (size_t(1) << k) < n)
        ++k;
    return k;
}

// Below this many colours the grid search is cheaper than painting the field:
// painting costs up to about 8 * 2^24 entry updates per pass, whatever the threshold.
constexpr size_t kFieldMinColours = size_t(1) << 22;

// Survivor lists are fetched this many colours ahead.
constexpr size_t kGridAhead = 8;

// Field entries are fetched this many colours ahead.
constexpr size_t kAhead = 64;

// Lowers the field to survivor's key at every colour within threshold of it.
// A key (below kFieldFar) is distance << 24 | rank, so the smallest is the
// nearest survivor and, of equally near ones, the earliest.
void Paint(uint32_t* field, uint32_t colour, int threshold, uint32_t rank)
{
    const int r = int(colour & 0xFF), g = int(colour >> 8 & 0xFF), b = int(colour >> 16 & 0xFF);
    const int r0 = std::max(r - threshold, 0), r1 = std::min(r + threshold, 255);
    for (int bb = std::max(b - threshold, 0); bb <= std::min(b + threshold, 255); ++bb)
        for (int gg = std::max(g - threshold, 0); gg <= std::min(g + threshold, 255); ++gg) {
            const int outer = std::max(std::abs(bb - b), std::abs(gg - g));
            uint32_t* plane = field + (kSpreadBits[size_t(gg)] << 1 | kSpreadBits[size_t(bb)] << 2);
            for (int rr = r0; rr <= r1; ++rr) {
                const uint32_t key = uint32_t(std::max(outer, std::abs(rr - r))) << 24 | rank;
                uint32_t& entry = plane[kSpreadBits[size_t(rr)]];
                entry = std::min(entry, key);
            }
        }
}

// Counts from this on share the first bucket of the ranking's counting sort;
// a picture has few colours that frequent.
constexpr uint32_t kBucketCap = uint32_t(1) << 16;

}  // namespace

// A counting sort on the count (one scatter), stable, so equal counts keep
// the order of first appearance.
void RankByCount(ColourList& colours, ColourList& counts)
{
    const size_t n = colours.size();
    uint32_t most = 0, least = UINT32_MAX;
    for (uint32_t count : counts) {
        most = std::max(most, count);
        least = std::min(least, count);
    }
    if (n < 2 || most == least)
        return;
    const uint32_t cap = std::min(most, kBucketCap);
    auto bucketOf = [cap](uint32_t count) { return cap - std::min(count, cap); };  // 0: most frequent
    std::vector<uint32_t> start(size_t(cap) + 2);
    for (uint32_t count : counts)
        ++start[bucketOf(count) + 1];
    for (uint32_t b = 0; b <= cap; ++b)
        start[b + 1] += start[b];
    ColourList rankedColours(n), rankedCounts(n);
    for (size_t i = 0; i < n; ++i) {
        const uint32_t at = start[bucketOf(counts[i])]++;
        rankedColours[at] = colours[i];
        rankedCounts[at] = counts[i];
    }
    // The first bucket holds every count from cap on, still to be ordered.
    const size_t top = start[0];
    if (most > cap && top > 1) {
        std::vector<std::pair<uint32_t, uint32_t>> frequent(top);
        for (size_t i = 0; i < top; ++i)
            frequent[i] = {rankedCounts[i], rankedColours[i]};
        std::stable_sort(frequent.begin(), frequent.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        for (size_t i = 0; i < top; ++i)
            std::tie(rankedCounts[i], rankedColours[i]) = frequent[i];
    }
    colours.swap(rankedColours);
    counts.swap(rankedCounts);
}

// One pass over the live ranks with the survivors kept in a cube grid.
void CColourMerge::GridPass(const ColourList& ranked, int threshold)
{
    CSurvivorGrid grid(threshold);
    size_t kept = 0;
    const size_t live = live_.size();
    for (size_t i = 0; i < live; ++i) {
        if (i + kGridAhead < live)
            grid.Prefetch(ranked[live_[i + kGridAhead]]);
        const uint32_t rank = live_[i];
        const uint32_t nearest = kept ? grid.FindNearest(ranked[rank]) : CSurvivorGrid::kNone;
        if (nearest != CSurvivorGrid::kNone) {
            indexOfRank_[rank] = nearest;
        } else {
            grid.Add(ranked[rank], rank);
            live_[kept++] = rank;
        }
    }
    live_.resize(kept);
}

// The first pass over millions of colours: each survivor paints its
// neighbourhood into the field, so that every later colour finds its nearest
// survivor with one read. Gives exactly what the grid gives.
void CColourMerge::FieldPass(const ColourList& ranked, int threshold, uint32_t* field)
{
    live_.clear();
    const uint32_t colours = uint32_t(ranked.size());
    for (uint32_t rank = 0; rank < colours; ++rank) {
        if (rank + kAhead < colours)
            __builtin_prefetch(&field[ColourSlot(ranked[rank + kAhead])]);
        const uint32_t key = field[ColourSlot(ranked[rank])];
        if (key < kFieldFar) {
            indexOfRank_[rank] = key & 0xFFFFFF;
        } else {
            Paint(field, ranked[rank], threshold, rank);
            live_.push_back(rank);
        }
    }
}

// A rank merges only into an earlier rank, so one walk upwards resolves
// chains of merges; the k-th rank still standing is palette entry k.
void CColourMerge::ResolveIndices()
{
    uint32_t next = 0;
    for (uint32_t rank = 0; rank < indexOfRank_.size(); ++rank) {
        const uint32_t into = indexOfRank_[rank];
        indexOfRank_[rank] = into == rank ? next++ : indexOfRank_[into];
    }
}

bool CColourMerge::UsesField(size_t colours, int target)
{
    return colours > size_t(std::max(target, 1)) && colours >= kFieldMinColours;
}

int CColourMerge::Run(const ColourList& ranked, int target, uint32_t* palette, uint32_t* field)
{
    const size_t n = ranked.size();
    target = std::max(target, 1);
    passes_ = 0;
    indexOfRank_.resize(n);
    for (uint32_t rank = 0; rank < n; ++rank)
        indexOfRank_[rank] = rank;
    int threshold = FirstThreshold(n);
    if (field && UsesField(n, target)) {
        FieldPass(ranked, threshold++, field);
        ++passes_;
    } else {
        live_ = indexOfRank_;
    }
    // At threshold 255 everything merges into the first colour, so this ends.
    for (; live_.size() > size_t(target); ++threshold) {
        GridPass(ranked, threshold);
        ++passes_;
    }
    for (size_t i = 0; i < live_.size(); ++i)
        palette[i] = ranked[live_[i]];
    const int count = int(live_.size());
    ColourList().swap(live_);
    ResolveIndices();
    return count;
}
