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

// Eight bytes from p as one little-endian word.
inline uint64_t Load8(const uint8_t* p)
{
    uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

constexpr uint64_t kAllHighBits = 0x8080808080808080ull;

// The high bit of each nonzero byte of word.
inline uint64_t NonzeroBytes(uint64_t word)
{
    return (word | ((word & ~kAllHighBits) + ~kAllHighBits)) & kAllHighBits;
}

// The sum of the eight bytes of word, when it is below 256.
inline uint32_t SumOfBytes(uint64_t word) { return uint32_t((word * 0x0101010101010101ull) >> 56); }

// Whether any of the eight bytes at p is NO_INDEX.
inline bool AnyNoIndex(const uint8_t* p) { return NonzeroBytes(~Load8(p)) != kAllHighBits; }
