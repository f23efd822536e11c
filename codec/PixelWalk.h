// Helpers for the codec's per-pixel loops.
//
// Interior pixels have all eight neighbours, so the hot loops handle them
// with plain index offsets in the same order Neighbours4/Neighbours8 give,
// and send the few border pixels through the general enumeration.
#pragma once

#include "codec/MapRaster.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

// True when 0 < x < width-1 and 0 < y < height-1 (unsigned wrap does the rest).
inline bool IsInteriorPixel(uint32_t x, uint32_t y, uint32_t width, uint32_t height)
{
    return x - 1 < width - 2 && y - 1 < height - 2;
}

// Offset of pixel (x, y) from the start of a plane.
inline size_t PlaneOffset(PackedPos p, uint32_t width)
{
    return size_t(PosY(p)) * width + PosX(p);
}

// The high bit of each nonzero byte of word.
inline uint64_t NonzeroBytes(uint64_t word)
{
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    return (word | ((word & ~kHigh) + ~kHigh)) & kHigh;
}

// Whether any of the eight bytes at p is NO_INDEX.
inline bool AnyNoIndex(const uint8_t* p)
{
    uint64_t word;
    std::memcpy(&word, p, 8);
    return NonzeroBytes(~word) != 0x8080808080808080ull;
}
