// PNG as a peer: the indexed picture as an 8-bit palette PNG through libpng,
// in memory. Rows are written with libpng's default filter choice, which for
// palette pictures is no filter at all.
#pragma once

#include "codec/MapRaster.h"

#include <cstdint>
#include <span>
#include <vector>

// The whole PNG file of raster at zlib level 0-9. Throws PeerError for a
// picture PNG cannot hold (no pixels, an index beyond the palette).
std::vector<uint8_t> EncodePalettePng(const CMapRaster& raster, int zlibLevel);

// Reads an 8-bit (or lower depth) non-interlaced palette PNG: one index byte
// per pixel, top row first. Throws PeerError for anything else or a damaged file.
void DecodePalettePng(std::span<const uint8_t> file, std::vector<uint8_t>& indices,
                      uint32_t& width, uint32_t& height);
