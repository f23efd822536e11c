// libpng as the benchmarks' reference codec: the same indexed picture written
// and read as an 8-bit palette PNG in memory.
#pragma once

#include "codec/MapRaster.h"

#include <cstdint>
#include <span>
#include <vector>

// The raster's IndexPlane and palette as a PNG file image, compressed at
// zlibLevel (0 to 9) with libpng's default filters.
std::vector<uint8_t> EncodePalettePng(const CMapRaster& raster, int zlibLevel);

// Reads a palette PNG file image into one index byte per pixel, top row first.
// Throws std::runtime_error for a file libpng refuses.
void DecodePalettePng(std::span<const uint8_t> file, std::vector<uint8_t>& indices, uint32_t& width,
                      uint32_t& height);
