// How much a reader takes on trust from a file. Every reader (the .rgm
// decoder included) checks the sizes a file claims against these before it
// allocates anything; a caller that knows better can raise them.
#pragma once

#include <cstdint>

struct Limits {
    // Largest width or height (the .rgm format cannot hold more).
    uint32_t maxSide = 65535;
    // Largest width x height. A picture of 2^30 pixels takes about 4 GiB as
    // truecolour and 3 GiB as a raster.
    uint64_t maxPixels = uint64_t(1) << 30;
    // Largest file read into memory whole.
    uint64_t maxFileBytes = uint64_t(1) << 32;
    // Above this many pixels a JPEG is first decoded at 1/8 scale, so a small
    // file claiming a huge picture is refused before the full allocation.
    uint64_t jpegCheckPixels = uint64_t(1) << 24;
};
