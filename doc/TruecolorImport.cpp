#include "doc/TruecolorImport.h"

#include "doc/BmpReader.h"
#include "doc/ColorHistogram.h"
#include "doc/JpegReader.h"
#include "doc/PngReader.h"
#include "doc/SafeFile.h"

#include <new>

namespace {

// Throws ImportError for a side of 0 or a size above limits.
void CheckPictureSize(uint64_t width, uint64_t height, const Limits& limits)
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
}

// A picture whose storage holds perPixel elements a pixel plus slack.
template <typename Picture, typename Storage>
Picture Allocate(uint64_t width, uint64_t height, const Limits& limits, Storage storage, size_t perPixel,
                 size_t slack)
{
    CheckPictureSize(width, height, limits);
    Picture picture;
    picture.width = int32_t(width);
    picture.height = int32_t(height);
    try {
        (picture.*storage).resize(size_t(width * height) * perPixel + slack);
    } catch (const std::bad_alloc&) {
        throw ImportError("not enough memory for a picture of " + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels",
                          ErrorCode::NoMemory);
    }
    return picture;
}

}  // namespace

TruecolorPicture AllocatePicture(uint64_t width, uint64_t height, const Limits& limits)
{
    return Allocate<TruecolorPicture>(width, height, limits, &TruecolorPicture::pixels, 1, 0);
}

RgbPicture AllocateRgbPicture(uint64_t width, uint64_t height, const Limits& limits)
{
    return Allocate<RgbPicture>(width, height, limits, &RgbPicture::bytes, 3, 1);
}

namespace {

void SetPicture(CMapRaster& raster, const TruecolorPicture& picture)
{
    SetTruecolorPixels(raster, picture.width, picture.height, picture.pixels.data());
}

void SetPicture(CMapRaster& raster, const RgbPicture& picture)
{
    SetRgbPixels(raster, picture.width, picture.height, picture.bytes.data());
}

// Runs decode over the file's bytes and hands the pixels to palette
// reduction; the raster changes only if everything before succeeded.
template <typename Decoder>
void Import(const std::string& path, CMapRaster& raster, const Limits& limits, Decoder decode)
{
    decltype(decode(nullptr, 0, limits)) picture;
    try {
        const std::vector<uint8_t> bytes = ReadWholeFile(path, limits.maxFileBytes);
        picture = decode(bytes.data(), bytes.size(), limits);
    } catch (const ImportError& e) {
        throw ImportError(path + ": " + e.what(), e.code());
    } catch (const std::bad_alloc&) {
        throw ImportError(path + ": not enough memory to read the file", ErrorCode::NoMemory);
    }
    try {
        SetPicture(raster, picture);
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
    Import(path, raster, limits, DecodeJpegRgb);
}

void ImportPng(const std::string& path, CMapRaster& raster, const Limits& limits)
{
    Import(path, raster, limits, DecodePng);
}
