// Ideal code length and decision count per part of the pixel layer, for the
// measuring tool in bench/; compiled in only with RGZ_STATS.
#pragma once

#include <cstdint>
#ifdef RGZ_STATS
#include <cmath>
#endif

namespace rgz_stats {

enum Part { CHANGED, FLAGS, TREE, QUIET, PART_COUNT };

#ifdef RGZ_STATS
inline double bits[PART_COUNT];
inline double decisions[PART_COUNT];
inline int part = CHANGED;
inline void SetPart(int p) { part = p; }
inline void Record(uint32_t p1, int bit)
{
    bits[part] -= std::log2((bit ? p1 : 65536 - p1) / 65536.0);
    decisions[part] += 1;
}
#else
inline void SetPart(int) { }
inline void Record(uint32_t, int) { }
#endif

}  // namespace rgz_stats
