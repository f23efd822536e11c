// Truecolour import: BMP (our own reader) and JPEG (libjpeg-turbo) into the
// truecolour pixel array, then palette reduction into the raster.
#pragma once

#include "codec/Limits.h"
#include "codec/MapRaster.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A picture file that cannot be imported; the message says why.
class ImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Largest picture import accepts: 2^30 pixels (1 gigapixel). Its pixel array
// takes 4 GiB and its raster about 7 GiB more.
constexpr uint64_t MAX_IMPORT_PIXELS = uint64_t(1) << 30;

// A decoded truecolour picture: width x height words, top row first, each
// red | green << 8 | blue << 16 in bits 0-23.
struct TruecolorPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// An empty picture of this size with its pixel array allocated. Throws
// ImportError for a side of 0 or above 65535, more than MAX_IMPORT_PIXELS, or
// when the memory cannot be had.
TruecolorPicture AllocatePicture(uint64_t width, uint64_t height);

// Each reads path and, on success, leaves the indexed picture in raster through
// SetTruecolorPixels. On failure throws (ImportError, FileError or RasterError)
// and leaves raster as it was.
void ImportBmp(const std::string& path, CMapRaster& raster, const Limits& limits = {});
void ImportJpeg(const std::string& path, CMapRaster& raster, const Limits& limits = {});
