// What the peer codecs share: the picture as 8-bit RGB, and the check that a
// decoded picture is the one that went in.
#pragma once

#include "codec/MapRaster.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

// A peer codec refused a picture or a file; the message says which codec and why.
class PeerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The picture's pixels as R, G, B bytes, top row first.
std::vector<uint8_t> PaletteToRgb(const CMapRaster& raster);

// Throws PeerError naming the first pixel where the decoded picture differs
// from raster (size first, then RGB or index values).
void CheckSameRgb(const CMapRaster& raster, const std::vector<uint8_t>& rgb, uint32_t width,
                  uint32_t height, const char* codec);
void CheckSameIndices(const CMapRaster& raster, const std::vector<uint8_t>& indices,
                      uint32_t width, uint32_t height, const char* codec);
