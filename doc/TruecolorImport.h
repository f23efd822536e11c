// Truecolour import: BMP (our own reader) and JPEG (libjpeg-turbo) into the
// truecolour pixel array, then palette reduction into the raster.
#pragma once

#include "codec/MapRaster.h"

#include <stdexcept>
#include <string>

// A picture file that cannot be imported; the message says why.
class ImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Each reads path and, on success, leaves the indexed picture in raster through
// SetTruecolorPixels. On failure throws (ImportError, FileError or RasterError)
// and leaves raster as it was.
void ImportBmp(const std::string& path, CMapRaster& raster);
void ImportJpeg(const std::string& path, CMapRaster& raster);
