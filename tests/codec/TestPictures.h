// Builds small indexed pictures for the codec tests.
#pragma once

#include "codec/MapRaster.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testpictures {

// Sizes raster to w x h with colours palette entries and sets every pixel to colourAt(x, y).
inline void Paint(CMapRaster& raster, uint32_t w, uint32_t h, int colours,
                  const std::function<uint8_t(uint32_t, uint32_t)>& colourAt)
{
    raster.Resize(w, h);
    raster.colorCount = colours;
    for (int i = 0; i < colours; ++i)
        raster.palette[i] = uint32_t(i) * 0x010305u;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            raster.indexRows[y][x] = colourAt(x, y);
}

// Background colour 0 with the rectangle [x0, x0+rw) x [y0, y0+rh) in colour 1.
inline void PaintRect(CMapRaster& raster, uint32_t w, uint32_t h, uint32_t x0, uint32_t y0, uint32_t rw,
                      uint32_t rh)
{
    Paint(raster, w, h, 2, [&](uint32_t x, uint32_t y) {
        return uint8_t(x >= x0 && x < x0 + rw && y >= y0 && y < y0 + rh);
    });
}

inline std::vector<uint8_t> Plane(const uint8_t* plane, const CMapRaster& raster)
{
    return std::vector<uint8_t>(plane, plane + raster.PixelCount());
}

inline bool AllZero(const uint8_t* plane, const CMapRaster& raster)
{
    for (size_t i = 0; i < raster.PixelCount(); ++i)
        if (plane[i] != 0)
            return false;
    return true;
}

// The whole .rgm file image of a picture.
inline std::vector<uint8_t> EncodeToBytes(CMapRaster& raster)
{
    std::vector<uint8_t> out;
    raster.Encode(out);
    return out;
}

// Bytes as "04 00 2F" for readable failure messages.
inline std::string HexOf(const std::vector<uint8_t>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) {
        if (!s.empty())
            s += ' ';
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

}  // namespace testpictures
