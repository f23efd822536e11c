// JPEG XL lossless as a peer: the picture's RGB (8 bits per channel) through
// libjxl at effort 7, distance 0, with no thread pool (one thread).
#pragma once

#include "codec/MapRaster.h"

#include <cstdint>
#include <span>
#include <vector>

// The whole .jxl codestream of raster. Throws PeerError on failure.
std::vector<uint8_t> EncodeLosslessJxl(const CMapRaster& raster);

// Decodes a .jxl file to R, G, B bytes, top row first. Throws PeerError.
void DecodeJxl(std::span<const uint8_t> file, std::vector<uint8_t>& rgb, uint32_t& width,
               uint32_t& height);
