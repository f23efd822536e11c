// PNG export: the indexed picture as an 8-bit palette PNG, and small
// truecolour pictures (thumbnails) as 8-bit RGB PNG.
#pragma once

#include "codec/MapRaster.h"

#include <cstdint>
#include <string>
#include <vector>

// zlib level of the palette export. Level 9 without row filters gives the
// smallest files for flat-colour maps (filters only help smooth photographs).
constexpr int PNG_PALETTE_LEVEL = 9;

// The whole file image of an 8-bit palette PNG: a PLTE chunk with the
// raster's colours (as many entries as the highest index used needs, at least
// colorCount) and no other ancillary chunk, so equal pictures give equal
// bytes. Throws std::invalid_argument for a raster without pixels.
std::vector<uint8_t> EncodePng8(const CMapRaster& raster);

// Writes EncodePng8's bytes to path through WriteFileAtomically; throws
// FileError (or std::invalid_argument as above) and never leaves a partial file.
void WritePng8(const CMapRaster& raster, const std::string& path);

// An 8-bit RGB PNG of width x height words red | green << 8 | blue << 16,
// top row first, at zlib's default level. Both sides must be at least 1.
std::vector<uint8_t> EncodePngRgb(uint32_t width, uint32_t height, const uint32_t* pixels);
