// How much a reader takes on trust from a file. Every reader (the .rgm
// decoder included) checks the sizes a file claims against these before it
// allocates anything; a caller that knows better can raise them.
#pragma once

#include <bit>
#include <cstdint>
#include <string>

struct Limits {
    // Largest width or height (the .rgm format cannot hold more).
    uint32_t maxSide = 65535;
    // Largest width x height. A picture of 2^30 pixels takes about 4 GiB as
    // truecolour and 3 GiB as a raster.
    uint64_t maxPixels = uint64_t(1) << 30;
    // Largest file read into memory whole.
    uint64_t maxFileBytes = uint64_t(1) << 32;
    // A JPEG of more pixels whose picture cannot be allocated is decoded at
    // 1/8 scale first, so a small damaged file claiming a huge picture is
    // refused as damaged rather than as too large for memory.
    uint64_t jpegCheckPixels = uint64_t(1) << 24;
};

// A pixel limit as messages name it: "2^30 pixels" for a power of two.
inline std::string PixelLimitText(uint64_t pixels)
{
    if (std::has_single_bit(pixels))
        return "2^" + std::to_string(std::countr_zero(pixels)) + " pixels";
    return std::to_string(pixels) + " pixels";
}
