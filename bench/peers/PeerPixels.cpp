#include "bench/peers/PeerPixels.h"

#include <string>

std::vector<uint8_t> PaletteToRgb(const CMapRaster& raster)
{
    // The palette entries as byte triples once, then one copy per pixel.
    uint8_t rgbOf[256][3] = {};
    for (int i = 0; i < 256; ++i) {
        const uint32_t c = raster.palette[i];
        rgbOf[i][0] = uint8_t(c);
        rgbOf[i][1] = uint8_t(c >> 8);
        rgbOf[i][2] = uint8_t(c >> 16);
    }
    const size_t n = raster.PixelCount();
    std::vector<uint8_t> rgb(n * 3);
    const uint8_t* index = raster.IndexPlane();
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* c = rgbOf[index[i]];
        rgb[3 * i] = c[0];
        rgb[3 * i + 1] = c[1];
        rgb[3 * i + 2] = c[2];
    }
    return rgb;
}

namespace {

void CheckSize(const CMapRaster& raster, uint32_t width, uint32_t height, const char* codec)
{
    if (width != raster.width || height != raster.height)
        throw PeerError(std::string(codec) + ": decoded " + std::to_string(width) + " x " +
                        std::to_string(height) + ", expected " + std::to_string(raster.width) +
                        " x " + std::to_string(raster.height));
}

[[noreturn]] void ThrowPixelDiffers(const CMapRaster& raster, size_t pixel, const char* codec)
{
    throw PeerError(std::string(codec) + ": decoded pixel (" +
                    std::to_string(pixel % raster.width) + ", " +
                    std::to_string(pixel / raster.width) + ") differs from the picture");
}

}  // namespace

void CheckSameRgb(const CMapRaster& raster, const std::vector<uint8_t>& rgb, uint32_t width,
                  uint32_t height, const char* codec)
{
    CheckSize(raster, width, height, codec);
    const std::vector<uint8_t> expected = PaletteToRgb(raster);
    if (rgb.size() != expected.size())
        throw PeerError(std::string(codec) + ": decoded buffer has the wrong length");
    for (size_t i = 0; i < expected.size(); ++i)
        if (rgb[i] != expected[i])
            ThrowPixelDiffers(raster, i / 3, codec);
}

void CheckSameIndices(const CMapRaster& raster, const std::vector<uint8_t>& indices,
                      uint32_t width, uint32_t height, const char* codec)
{
    CheckSize(raster, width, height, codec);
    const uint8_t* index = raster.IndexPlane();
    if (indices.size() != raster.PixelCount())
        throw PeerError(std::string(codec) + ": decoded buffer has the wrong length");
    for (size_t i = 0; i < indices.size(); ++i)
        if (indices[i] != index[i])
            ThrowPixelDiffers(raster, i, codec);
}
