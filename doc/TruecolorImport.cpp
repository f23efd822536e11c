#include "doc/TruecolorImport.h"

#include "doc/BmpReader.h"
#include "doc/ColorHistogram.h"
#include "doc/JpegReader.h"
#include "doc/PngReader.h"
#include "doc/SafeFile.h"
#include "doc/ThreadedJpegImport.h"

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

// Runs decode over the bytes and hands the pixels to palette reduction
// (set); the raster changes only if everything before succeeded. Messages
// start with where.
template <typename Decoder, typename Setter>
void ImportData(const std::string& where, const uint8_t* data, size_t size, CMapRaster& raster,
                const Limits& limits, Decoder decode, Setter set)
{
    decltype(decode(nullptr, 0, limits)) picture;
    try {
        picture = decode(data, size, limits);
    } catch (const ImportError& e) {
        throw ImportError(where + e.what(), e.code());
    } catch (const std::bad_alloc&) {
        throw ImportError(where + "not enough memory to read the file", ErrorCode::NoMemory);
    }
    try {
        set(raster, picture);
    } catch (const std::bad_alloc&) {
        throw ImportError(where + "not enough memory to count the picture's colours", ErrorCode::NoMemory);
    } catch (const RasterError& e) {
        throw RasterError(where + e.what(), e.code());
    }
}

// The file's bytes, refused as ImportData refuses them.
std::vector<uint8_t> ReadForImport(const std::string& path, const Limits& limits)
{
    try {
        return ReadWholeFile(path, limits.maxFileBytes);
    } catch (const ImportError& e) {
        throw ImportError(path + ": " + e.what(), e.code());
    } catch (const std::bad_alloc&) {
        throw ImportError(path + ": not enough memory to read the file", ErrorCode::NoMemory);
    }
}

// A bitmap or PNG file into raster.
template <typename Decoder>
void Import(const std::string& path, CMapRaster& raster, const Limits& limits, Decoder decode)
{
    const std::vector<uint8_t> bytes = ReadForImport(path, limits);
    ImportData(path + ": ", bytes.data(), bytes.size(), raster, limits, decode,
               [](CMapRaster& r, const TruecolorPicture& picture) {
                   SetTruecolorPixels(r, picture.width, picture.height, picture.pixels.data());
               });
}

// A JPEG on `threads` threads (CThreadedJpegImport).
void ImportJpegOn(const std::string& where, const uint8_t* data, size_t size, CMapRaster& raster,
                  const Limits& limits, unsigned threads)
{
    CThreadedJpegImport import(threads);
    ImportData(
        where, data, size, raster, limits,
        [&](const uint8_t* d, size_t n, const Limits& l) { return DecodeJpegRgb(d, n, l, import); },
        [&](CMapRaster& r, const RgbPicture& picture) { import.Finish(r, picture); });
}

}  // namespace

void ImportBmp(const std::string& path, CMapRaster& raster, const Limits& limits)
{
    Import(path, raster, limits, DecodeBmp);
}

void ImportJpeg(const std::string& path, CMapRaster& raster, const Limits& limits)
{
    const std::vector<uint8_t> bytes = ReadForImport(path, limits);
    ImportJpegOn(path + ": ", bytes.data(), bytes.size(), raster, limits, 0);
}

void ImportJpegData(const uint8_t* data, size_t size, CMapRaster& raster, unsigned threads, const Limits& limits)
{
    ImportJpegOn("", data, size, raster, limits, threads);
}

void ImportPng(const std::string& path, CMapRaster& raster, const Limits& limits)
{
    Import(path, raster, limits, DecodePng);
}
