// Truecolour import: BMP (our own reader), JPEG (libjpeg-turbo) and PNG (libpng) into the
// truecolour pixel array, then palette reduction into the raster.
#pragma once

#include "codec/Limits.h"
#include "codec/MapRaster.h"
#include "doc/ZeroedMemory.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A picture file that cannot be imported; the message says why.
class ImportError : public KarvexError {
public:
    explicit ImportError(const std::string& what, ErrorCode code = ErrorCode::Malformed) : KarvexError(what, code) {}
};

// A decoded truecolour picture: width x height words, top row first, each
// red | green << 8 | blue << 16 in bits 0-23. A large picture's pixels take
// memory only as the decoder writes them.
using PixelVector = std::vector<uint32_t, ZeroedAllocator<uint32_t>>;
struct TruecolorPicture {
    int32_t width = 0;
    int32_t height = 0;
    PixelVector pixels;
};

// A decoded picture of packed 3-byte pixels (red, green, blue), top row
// first, with one byte of slack after the last pixel, so that every pixel
// can be read as part of a word. A quarter fewer bytes to write and read
// than a TruecolorPicture.
struct RgbPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t, ZeroedAllocator<uint8_t>> bytes;
};

inline bool operator==(const PixelVector& a, const std::vector<uint32_t>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// An empty picture of this size with its pixel array allocated. Throws
// ImportError for a side of 0 or a size above limits (before allocating), or
// when the memory cannot be had.
TruecolorPicture AllocatePicture(uint64_t width, uint64_t height, const Limits& limits = {});
RgbPicture AllocateRgbPicture(uint64_t width, uint64_t height, const Limits& limits = {});

// Each reads path and, on success, leaves the indexed picture in raster through
// SetTruecolorPixels. On failure throws (ImportError, FileError or RasterError)
// and leaves raster as it was.
void ImportBmp(const std::string& path, CMapRaster& raster, const Limits& limits = {});
void ImportJpeg(const std::string& path, CMapRaster& raster, const Limits& limits = {});
// ImportJpeg of a file's bytes, on `threads` threads (0: as many as pay on
// this machine); the result is the same for any number.
void ImportJpegData(const uint8_t* data, size_t size, CMapRaster& raster, unsigned threads = 0,
                    const Limits& limits = {});
void ImportPng(const std::string& path, CMapRaster& raster, const Limits& limits = {});
