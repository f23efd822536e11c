// Builds a picture from the input, encodes it, decodes the bytes into a new
// raster and checks that the picture comes back exactly and that a second
// encode gives the same bytes.
#include "codec/MapRaster.h"
#include "codec/RgmFormat.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Input: width-1, height-1 (one byte each, up to 300 x 300 through a second byte),
// colour count, then (run length, colour) pairs filling the picture in raster order.
bool BuildPicture(const uint8_t* data, size_t size, CMapRaster& raster)
{
    if (size < 5)
        return false;
    const uint32_t width = 1 + (data[0] | (data[1] & 1) << 8) % 300;
    const uint32_t height = 1 + (data[2] | (data[3] & 1) << 8) % 300;
    const uint32_t colours = 1 + data[4] % 255;
    raster.Resize(width, height);
    raster.colorCount = int32_t(colours);
    for (uint32_t i = 0; i < colours; ++i)
        raster.palette[i] = i * 0x010305u;
    uint8_t* pixels = raster.IndexPlane();
    const size_t n = raster.PixelCount();
    size_t at = 0, in = 5;
    while (at < n) {
        const size_t run = in + 1 < size ? 1 + data[in] : n - at;
        const uint8_t colour = in + 1 < size ? uint8_t(data[in + 1] % colours) : 0;
        in += 2;
        for (size_t k = 0; k < run && at < n; ++k)
            pixels[at++] = colour;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CMapRaster picture;
    if (!BuildPicture(data, size, picture))
        return 0;
    std::vector<uint8_t> first, second;
    picture.Encode(first);
    picture.Encode(second);
    if (first != second)
        std::abort();

    CMapRaster decoded;
    decoded.Decode(first.size(), first.data());  // must not throw for our own output
    if (decoded.width != picture.width || decoded.height != picture.height ||
        decoded.colorCount != picture.colorCount)
        std::abort();
    if (std::memcmp(decoded.IndexPlane(), picture.IndexPlane(), picture.PixelCount()) != 0)
        std::abort();
    for (int32_t i = 0; i < picture.colorCount; ++i)
        if ((decoded.palette[i] & 0xFFFFFF) != (picture.palette[i] & 0xFFFFFF))
            std::abort();
    return 0;
}
