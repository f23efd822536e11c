// PNG decoding into a truecolour picture through libpng.
#pragma once

#include "doc/TruecolorImport.h"

#include <cstddef>
#include <cstdint>

// Transparent and half-transparent pixels are laid over this colour (white,
// the paper of a printed map): red | green << 8 | blue << 16.
constexpr uint32_t PNG_BACKGROUND = 0xFFFFFF;

// Decodes a whole PNG file image: palette, grey and truecolour, with or
// without alpha (an alpha channel or a tRNS chunk), 1 to 16 bits per sample,
// interlaced or not, within limits. Samples are taken as stored (no gamma correction);
// 16-bit samples are rounded to 8 bits, then alpha a is removed as
// (c * a + background * (255 - a) + 127) / 255 per channel. Bits 24-31 of
// every pixel are 0. Anything libpng refuses, a picture above the import
// limits, or image data too short for the size the header claims is refused
// with ImportError naming the byte where reading stopped; never reads
// outside data[0, size).
TruecolorPicture DecodePng(const uint8_t* data, size_t size, const Limits& limits = {});
