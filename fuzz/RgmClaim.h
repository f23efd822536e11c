// The number of pixels an .rgm file's header claims, so that a fuzz target
// can pass over tiny files that legally describe huge flat pictures.
#pragma once

#include <cstddef>
#include <cstdint>

// Width times height from the first four bytes; 0 for a shorter file.
inline uint64_t ClaimedRgmPixels(const uint8_t* data, size_t size)
{
    return size < 4 ? 0 : uint64_t(data[0] | data[1] << 8) * uint64_t(data[2] | data[3] << 8);
}
