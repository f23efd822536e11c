// The colour reduction written the plain way, for the histogram's tests and
// fuzz target to check the fast one against: a stable sort by count, then
// passes that compare each colour with every earlier survivor of the pass.
// O(colours^2) per pass.
#pragma once

#include "doc/SurvivorGrid.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace testsupport {

// counts: each distinct colour with its count, in the order the histogram
// first saw them. Returns each colour's palette index; the survivors go to
// palette, most frequent first.
inline std::vector<int> ReferenceReduce(const std::vector<std::pair<uint32_t, int>>& counts, int target,
                                        std::vector<uint32_t>& palette)
{
    const size_t n = counts.size();
    std::vector<size_t> list(n);
    for (size_t i = 0; i < n; ++i)
        list[i] = i;
    std::stable_sort(list.begin(), list.end(),
                     [&](size_t a, size_t b) { return counts[a].second > counts[b].second; });
    auto distance = [&](size_t a, size_t b) { return ColorDistance(counts[a].first, counts[b].first); };
    std::vector<size_t> into(n, SIZE_MAX);
    std::vector<size_t> mergedOrder;
    int t = 1;
    while ((size_t(1) << t) < n)
        ++t;
    for (; list.size() > size_t(target); ++t) {
        std::vector<size_t> survivors;
        for (size_t e : list) {
            size_t best = SIZE_MAX;
            int bestDistance = 1 << 30;
            for (size_t s : survivors)
                if (distance(e, s) < bestDistance)
                    bestDistance = distance(e, s), best = s;
            if (best != SIZE_MAX && bestDistance <= t)
                into[e] = best, mergedOrder.push_back(e);
            else
                survivors.push_back(e);
        }
        list = survivors;
    }
    std::vector<int> index(n, -1);
    palette.assign(list.size(), 0);
    for (size_t i = 0; i < list.size(); ++i)
        index[list[i]] = int(i), palette[i] = counts[list[i]].first;
    for (auto it = mergedOrder.rbegin(); it != mergedOrder.rend(); ++it)
        index[*it] = index[into[*it]];
    return index;
}

}  // namespace testsupport
