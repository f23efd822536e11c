// Any byte string handed to the .rgm decoder is either refused with a format
// error or decoded into a complete picture whose every pixel names a colour.
#include "codec/MapRaster.h"
#include "codec/RgmFormat.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Tiny files may legally describe huge flat pictures; keep each run small.
    if (size >= 4) {
        const uint32_t w = data[0] | data[1] << 8, h = data[2] | data[3] << 8;
        if (uint64_t(w) * h > (uint64_t(1) << 22))
            return 0;
    }
    CMapRaster raster;
    try {
        raster.Decode(size, data);
    } catch (const RgmFormatError&) {
        return 0;
    } catch (const RasterError&) {
        return 0;
    }
    if (raster.width == 0 || raster.height == 0)
        std::abort();
    const uint8_t* pixels = raster.IndexPlane();
    for (size_t i = 0; i < raster.PixelCount(); ++i)
        if (pixels[i] >= raster.colorCount)
            std::abort();
    return 0;
}
