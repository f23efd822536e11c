// WebP lossless as a peer: the picture's RGB through libwebp at lossless
// level 9 (method 6), one thread; WebP finds its own palette.
#pragma once

#include "codec/MapRaster.h"

#include <cstdint>
#include <span>
#include <vector>

// Largest side a WebP picture can have.
constexpr uint32_t WEBP_MAX_SIDE = 16383;

bool WebpCanHold(const CMapRaster& raster);

// The whole .webp file of raster. Throws PeerError when WebP cannot hold it.
std::vector<uint8_t> EncodeLosslessWebp(const CMapRaster& raster);

// Decodes a .webp file to R, G, B bytes, top row first. Throws PeerError.
void DecodeWebp(std::span<const uint8_t> file, std::vector<uint8_t>& rgb, uint32_t& width,
                uint32_t& height);
