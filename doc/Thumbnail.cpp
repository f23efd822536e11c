#include "doc/Thumbnail.h"

#include "doc/BmpReader.h"
#include "doc/JpegReader.h"
#include "doc/PictureFiles.h"
#include "doc/PngReader.h"
#include "doc/SafeFile.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

// Box filter: thumbnail column x covers source columns [x * w / tw, (x + 1) * w / tw).
// colourAt(sx, sy) gives the source pixel as red | green << 8 | blue << 16.
template <typename ColourAt>
TruecolorPicture Scale(uint32_t width, uint32_t height, uint32_t size, ColourAt colourAt)
{
    if (size == 0)
        throw std::invalid_argument("thumbnail size must be at least 1");
    const uint32_t longer = std::max(width, height);
    const uint32_t tw = longer <= size ? width : std::max<uint32_t>(1, uint32_t(uint64_t(width) * size / longer));
    const uint32_t th = longer <= size ? height : std::max<uint32_t>(1, uint32_t(uint64_t(height) * size / longer));
    TruecolorPicture out = AllocatePicture(tw, th);
    std::vector<uint64_t> sums(size_t(tw) * 3);
    std::vector<uint32_t> firstColumn(tw + 1);
    for (uint32_t x = 0; x <= tw; ++x)
        firstColumn[x] = uint32_t(uint64_t(x) * width / tw);
    for (uint32_t ty = 0; ty < th; ++ty) {
        const uint32_t y0 = uint32_t(uint64_t(ty) * height / th), y1 = uint32_t(uint64_t(ty + 1) * height / th);
        std::fill(sums.begin(), sums.end(), 0);
        for (uint32_t sy = y0; sy < y1; ++sy)
            for (uint32_t tx = 0; tx < tw; ++tx)
                for (uint32_t sx = firstColumn[tx]; sx < firstColumn[tx + 1]; ++sx) {
                    const uint32_t c = colourAt(sx, sy);
                    sums[3 * tx] += c & 0xFF;
                    sums[3 * tx + 1] += (c >> 8) & 0xFF;
                    sums[3 * tx + 2] += (c >> 16) & 0xFF;
                }
        for (uint32_t tx = 0; tx < tw; ++tx) {
            const uint64_t count = uint64_t(y1 - y0) * (firstColumn[tx + 1] - firstColumn[tx]);
            uint32_t pixel = 0;
            for (uint32_t c = 0; c < 3; ++c)
                pixel |= uint32_t((sums[3 * tx + c] + count / 2) / count) << (8 * c);
            out.pixels[size_t(ty) * tw + tx] = pixel;
        }
    }
    return out;
}

}  // namespace

TruecolorPicture ScaleDown(const TruecolorPicture& picture, uint32_t size)
{
    const uint32_t* pixels = picture.pixels.data();
    const size_t width = size_t(picture.width);
    return Scale(uint32_t(picture.width), uint32_t(picture.height), size,
                 [&](uint32_t x, uint32_t y) { return pixels[y * width + x]; });
}

TruecolorPicture ScaleDown(const CMapRaster& raster, uint32_t size)
{
    return Scale(raster.width, raster.height, size,
                 [&](uint32_t x, uint32_t y) { return raster.palette[raster.indexRows[y][x]]; });
}

TruecolorPicture MakeThumbnail(const std::string& path, uint32_t size)
{
    // Truecolour formats skip palette reduction; the rest go through the table of formats.
    const std::string ext = ExtensionOf(path);
    if (ext == "jpg" || ext == "bmp" || ext == "png") {
        std::vector<uint8_t> bytes = ReadWholeFile(path);
        TruecolorPicture picture;
        try {
            if (ext == "jpg")
                picture = DecodeJpegReduced(bytes.data(), bytes.size(), size);
            else if (ext == "bmp")
                picture = DecodeBmp(bytes.data(), bytes.size());
            else
                picture = DecodePng(bytes.data(), bytes.size());
        } catch (const ImportError& e) {
            throw ImportError(path + ": " + e.what());
        }
        bytes = {};
        return ScaleDown(picture, size);
    }
    CMapRaster raster;
    LoadPicture(path, raster);
    return ScaleDown(raster, size);
}
