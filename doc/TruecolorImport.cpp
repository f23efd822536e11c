#include "doc/TruecolorImport.h"

#include "doc/BmpReader.h"
#include "doc/ColorHistogram.h"
#include "doc/JpegReader.h"
#include "doc/PngReader.h"
#include "doc/SafeFile.h"

#include <new>

TruecolorPicture AllocatePicture(uint64_t width, uint64_t height, const Limits& limits)
{
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width == 0 || height == 0)
        throw ImportError("the picture has no pixels (" + size + ")", ErrorCode::NoPixels);
    if (width > limits.maxSide || height > limits.maxSide)
        throw ImportError("picture size " + size + " exceeds the largest side of " + std::to_string(limits.maxSide),
                          ErrorCode::TooLarge);
    if (width * height > limits.maxPixels)
        throw ImportError("picture size " + size + " exceeds the limit of " + PixelLimitText(limits.maxPixels),
                          ErrorCode::TooLarge);
    TruecolorPicture picture;
    picture.width = int32_t(width);
    picture.height = int32_t(height);
    try {
        picture.pixels.resize(size_t(width * height));
    } catch (const std::bad_alloc&) {
        throw ImportError("not enough memory for a picture of " + size + " pixels", ErrorCode::NoMemory);
    }
    return picture;
}

namespace {

// Runs decode over the file's bytes and hands the pixels to palette
// reduction; the raster changes only if everything before succeeded.
// fourthBytePadding: the decoder leaves bits 24-31 set, to be ignored.
template <typename Decoder>
void Import(const std::string& path, CMapRaster& raster, const Limits& limits, Decoder decode,
            bool fourthBytePadding = false)
{
    TruecolorPicture picture;
    try {
        const std::vector<uint8_t> bytes = ReadWholeFile(path, limits.maxFileBytes);
        picture = decode(bytes.data(), bytes.size(), limits);
    } catch (const ImportError& e) {
        throw ImportError(path + ": " + e.what(), e.code());
    } catch (const std::bad_alloc&) {
        throw ImportError(path + ": not enough memory to read the file", ErrorCode::NoMemory);
    }
    try {
        SetTruecolorPixels(raster, picture.width, picture.height, picture.pixels.data(), fourthBytePadding);
    } catch (const std::bad_alloc&) {
        throw ImportError(path + ": not enough memory to count the picture's colours", ErrorCode::NoMemory);
    } catch (const RasterError& e) {
        throw RasterError(path + ": " + e.what(), e.code());
    }
}

}  // namespace

void ImportBmp(const std::string& path, CMapRaster& raster, const Limits& limits)
{
    Import(path, raster, limits, DecodeBmp);
}

void ImportJpeg(const std::string& path, CMapRaster& raster, const Limits& limits)
{
    Import(path, raster, limits, DecodeJpegPadded, true);
}

void ImportPng(const std::string& path, CMapRaster& raster, const Limits& limits)
{
    Import(path, raster, limits, DecodePng);
}
