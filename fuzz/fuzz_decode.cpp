// Any byte string handed to the .rgm decoder is either refused with a format
// error or decoded into a complete picture: the header's size and palette,
// every pixel naming a colour, and a picture that encodes and decodes back to
// itself (the decoder accepts nothing the encoder could not write again).
#include "codec/MapRaster.h"
#include "codec/RgmFormat.h"
#include "fuzz/RgmClaim.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Small enough to re-encode on every run without slowing the fuzzer down.
constexpr size_t kReencodePixels = size_t(1) << 16;

void CheckReencodes(CMapRaster& decoded)
{
    std::vector<uint8_t> bytes;
    decoded.Encode(bytes);  // must not throw for a decoded picture
    CMapRaster again;
    again.Decode(bytes.size(), bytes.data());
    if (again.width != decoded.width || again.height != decoded.height || again.colorCount != decoded.colorCount ||
        std::memcmp(again.IndexPlane(), decoded.IndexPlane(), decoded.PixelCount()) != 0)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Tiny files may legally describe huge flat pictures; keep each run small.
    if (ClaimedRgmPixels(data, size) > (uint64_t(1) << 22))
        return 0;
    CMapRaster raster;
    try {
        raster.Decode(size, data);
    } catch (const RgmFormatError&) {
        return 0;
    } catch (const RasterError&) {
        return 0;
    }
    // Decoded means the header was there: it gives size and palette.
    if (size < 5 || raster.width != uint32_t(data[0] | data[1] << 8) ||
        raster.height != uint32_t(data[2] | data[3] << 8) || raster.colorCount != data[4] ||
        size < 5 + 3 * size_t(data[4]))
        std::abort();
    if (raster.width == 0 || raster.height == 0)
        std::abort();
    for (int i = 0; i < raster.colorCount; ++i)
        if (raster.palette[i] != uint32_t(data[5 + 3 * i] | data[6 + 3 * i] << 8 | data[7 + 3 * i] << 16))
            std::abort();
    const uint8_t* pixels = raster.IndexPlane();
    for (size_t i = 0; i < raster.PixelCount(); ++i)
        if (pixels[i] >= raster.colorCount)
            std::abort();
    if (raster.PixelCount() <= kReencodePixels)
        CheckReencodes(raster);
    return 0;
}
