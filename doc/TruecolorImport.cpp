#include "doc/TruecolorImport.h"

#include "doc/BmpReader.h"
#include "doc/ColorHistogram.h"
#include "doc/JpegReader.h"
#include "doc/SafeFile.h"

#include <new>

TruecolorPicture AllocatePicture(uint64_t width, uint64_t height)
{
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width == 0 || height == 0)
        throw ImportError("the picture has no pixels (" + size + ")");
    if (width > MAX_SIDE || height > MAX_SIDE)
        throw ImportError("picture size " + size + " exceeds the largest side of 65535");
    if (width * height > MAX_IMPORT_PIXELS)
        throw ImportError("picture size " + size + " exceeds the limit of 2^30 pixels");
    TruecolorPicture picture;
    picture.width = int32_t(width);
    picture.height = int32_t(height);
    try {
        picture.pixels.resize(size_t(width * height));
    } catch (const std::bad_alloc&) {
        throw ImportError("not enough memory for a picture of " + size + " pixels");
    }
    return picture;
}

namespace {

// Runs decode over the file's bytes and hands the pixels to palette
// reduction; the raster changes only if everything before succeeded.
template <typename Decoder>
void Import(const std::string& path, CMapRaster& raster, const Limits& limits, Decoder decode)
{
    TruecolorPicture picture;
    try {
        const std::vector<uint8_t> bytes = ReadWholeFile(path, limits.maxFileBytes);
        picture = decode(bytes.data(), bytes.size());
    } catch (const ImportError& e) {
        throw ImportError(path + ": " + e.what());
    } catch (const std::bad_alloc&) {
        throw ImportError(path + ": not enough memory to read the file");
    }
    try {
        SetTruecolorPixels(raster, picture.width, picture.height, picture.pixels.data());
    } catch (const std::bad_alloc&) {
        throw ImportError(path + ": not enough memory to count the picture's colours");
    } catch (const RasterError& e) {
        throw RasterError(path + ": " + e.what());
    }
}

}  // namespace

void ImportBmp(const std::string& path, CMapRaster& raster, const Limits& limits)
{
    Import(path, raster, limits, DecodeBmp);
}

void ImportJpeg(const std::string& path, CMapRaster& raster, const Limits& limits)
{
    Import(path, raster, limits, DecodeJpeg);
}
