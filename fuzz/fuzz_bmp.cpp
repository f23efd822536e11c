// Any byte string handed to the bitmap reader is either refused with an
// import error or becomes a complete picture, which then reduces to an indexed
// raster whose every pixel names a colour.
#include "doc/BmpReader.h"
#include "doc/ColorHistogram.h"

#include <cstdlib>

namespace {

// Run-length files may legally describe huge pictures in a few bytes; keep each run small.
bool ClaimsHugePicture(const uint8_t* data, size_t size)
{
    if (size < 26)
        return false;
    auto u32 = [&](size_t at) { return uint32_t(data[at] | data[at + 1] << 8 | data[at + 2] << 16 | uint32_t(data[at + 3]) << 24); };
    const bool core = u32(14) == 12;
    int64_t w = core ? (data[18] | data[19] << 8) : int32_t(u32(18));
    int64_t h = core ? (data[20] | data[21] << 8) : int32_t(u32(22));
    w = w < 0 ? -w : w, h = h < 0 ? -h : h;
    return w * h > (int64_t(1) << 22);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (ClaimsHugePicture(data, size))
        return 0;
    TruecolorPicture picture;
    try {
        picture = DecodeBmp(data, size);
    } catch (const ImportError&) {
        return 0;
    }
    if (picture.width < 1 || picture.height < 1 || picture.pixels.size() != size_t(picture.width) * picture.height)
        std::abort();
    for (uint32_t p : picture.pixels)
        if (p >> 24)
            std::abort();
    CMapRaster raster;
    SetTruecolorPixels(raster, picture.width, picture.height, picture.pixels.data());
    for (size_t i = 0; i < raster.PixelCount(); ++i)
        if (raster.IndexPlane()[i] >= raster.colorCount)
            std::abort();
    return 0;
}
