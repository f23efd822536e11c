// Windows bitmap decoding into a truecolour picture.
#pragma once

#include "doc/TruecolorImport.h"

#include <cstddef>
#include <cstdint>

// Decodes a whole .bmp file image: 1, 4, 8, 16, 24 and 32 bits per pixel,
// uncompressed, BI_BITFIELDS, RLE8 and RLE4, bottom-up or top-down rows,
// 12-, 40-, 52-, 56-, 108- and 124-byte information headers. Bits 24-31 of
// every pixel are 0. Throws ImportError, saying what is wrong and where, for
// anything else; never reads outside data[0, size).
// The picture's size is checked against limits before its memory is taken.
TruecolorPicture DecodeBmp(const uint8_t* data, size_t size, const Limits& limits = {});
