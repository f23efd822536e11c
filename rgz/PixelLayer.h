// The second layer of .rgz: the picture I given its cleaned form W (the
// picture after small-region cleanup, known to both sides everywhere). Every
// pixel, in raster order, codes whether I differs from W there and, where it
// does, its colour (never W's colour at that pixel).
#pragma once

#include "rgz/RangeCoder.h"
#include "rgz/RgzFormat.h"
#include "rgz/RgzLevel.h"

#include <cstdint>

// Codes i given w (both width * height indices below colourCount).
// Throws std::invalid_argument for an index of i that names no palette entry.
void EncodePixelLayer(const uint8_t* w, const uint8_t* i, uint32_t width, uint32_t height,
                      const uint32_t* palette, int colourCount, RgzLevel level, RangeEncoder& enc);

// Fills i (width * height bytes) from the coded layer. Throws RgzFormatError
// for a colour that names no palette entry or equals W there, or for a coder
// that ran out of bytes. W must name palette entries (the first layer checks
// them); with any bytes in w it still reads and writes nothing out of bounds.
// version: the file's format version, whose models the layer follows.
void DecodePixelLayer(const uint8_t* w, uint8_t* i, uint32_t width, uint32_t height,
                      const uint32_t* palette, int colourCount, RgzLevel level, RangeDecoder& dec,
                      uint8_t version = RGZ_VERSION);
