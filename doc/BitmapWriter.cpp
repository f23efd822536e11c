#include "doc/BitmapWriter.h"

#include "codec/ByteOrder.h"
#include "doc/SafeFile.h"

#include <algorithm>

namespace {

constexpr size_t FILE_HEADER_BYTES = 14;
constexpr size_t INFO_HEADER_BYTES = 40;
constexpr size_t COLOUR_TABLE_BYTES = 256 * 4;
constexpr size_t PIXEL_DATA_OFFSET = FILE_HEADER_BYTES + INFO_HEADER_BYTES + COLOUR_TABLE_BYTES;

}  // namespace

std::vector<uint8_t> EncodeBmp8(const CMapRaster& raster)
{
    const size_t width = raster.width, height = raster.height;
    const size_t stride = (width + 3) / 4 * 4;
    // Every field not set here stays 0, the file size field included.
    std::vector<uint8_t> out(PIXEL_DATA_OFFSET + height * stride, 0);
    uint8_t* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    StoreU32(p + 10, uint32_t(PIXEL_DATA_OFFSET));
    StoreU32(p + 14, uint32_t(INFO_HEADER_BYTES));
    StoreU32(p + 18, uint32_t(width));
    StoreU32(p + 22, uint32_t(height));
    StoreU16(p + 26, 1);
    StoreU16(p + 28, 8);

    // All 256 palette entries, red | green << 8 | blue << 16, as blue, green, red, 0.
    uint8_t* table = p + FILE_HEADER_BYTES + INFO_HEADER_BYTES;
    for (size_t i = 0; i < 256; ++i) {
        const uint32_t c = raster.palette[i];
        table[4 * i] = uint8_t(c >> 16);
        table[4 * i + 1] = uint8_t(c >> 8);
        table[4 * i + 2] = uint8_t(c);
    }

    // Bottom row first; padding bytes are already 0.
    uint8_t* row = p + PIXEL_DATA_OFFSET;
    if (raster.HasPixels())
        for (size_t y = height; y-- > 0; row += stride)
            std::copy(raster.indexRows[y], raster.indexRows[y] + width, row);
    return out;
}

void WriteBmp8(const CMapRaster& raster, const std::string& path)
{
    WriteFileAtomically(path, EncodeBmp8(raster));
}
