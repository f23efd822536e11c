#include "bench/peers/PngPeer.h"

#include "bench/peers/PeerPixels.h"

#include <png.h>

#include <cstring>
#include <new>
#include <string>

// libpng reports errors by longjmp, so the functions that call it keep no
// object with a destructor alive across a libpng call; memory failures in our
// callbacks become png_error after the exception is gone.
namespace {

struct PngErrorText {
    char text[200] = "unknown error";
};

void OnPngError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<PngErrorText*>(png_get_error_ptr(png));
    std::strncpy(error->text, message, sizeof error->text - 1);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void AppendToVector(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    bool grown = true;
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        grown = false;
    }
    if (!grown)
        png_error(png, "not enough memory for the file");
}

void FlushNothing(png_structp) {}

struct ByteSource {
    const uint8_t* pos;
    const uint8_t* end;
};

void ReadFromSpan(png_structp png, png_bytep data, size_t length)
{
    auto* source = static_cast<ByteSource*>(png_get_io_ptr(png));
    if (size_t(source->end - source->pos) < length)
        png_error(png, "the file ends early");
    std::memcpy(data, source->pos, length);
    source->pos += length;
}

bool WritePng(const CMapRaster& raster, int zlibLevel, std::vector<uint8_t>& out,
              PngErrorText& error)
{
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, AppendToVector, FlushNothing);
    png_set_compression_level(png, zlibLevel);
    png_set_IHDR(png, info, raster.width, raster.height, 8, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    for (int i = 0; i < raster.colorCount; ++i) {
        const uint32_t c = raster.palette[i];
        palette[i] = png_color{uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)};
    }
    png_set_PLTE(png, info, palette, raster.colorCount);
    png_write_info(png, info);
    for (uint32_t y = 0; y < raster.height; ++y)
        png_write_row(png, raster.indexRows[y]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool ReadPng(std::span<const uint8_t> file, std::vector<uint8_t>& indices, uint32_t& width,
             uint32_t& height, PngErrorText& error)
{
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    ByteSource source{file.data(), file.data() + file.size()};
    png_set_read_fn(png, &source, ReadFromSpan);
    png_set_user_limits(png, MAX_SIDE, MAX_SIDE);
    png_read_info(png, info);
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE)
        png_error(png, "not a palette picture");
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE)
        png_error(png, "interlaced pictures are not read here");
    if (png_get_bit_depth(png, info) < 8)
        png_set_packing(png);
    png_read_update_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    bool sized = true;
    try {
        indices.resize(size_t(width) * height);
    } catch (const std::bad_alloc&) {
        sized = false;
    }
    if (!sized)
        png_error(png, "not enough memory for the picture");
    for (uint32_t y = 0; y < height; ++y)
        png_read_row(png, indices.data() + size_t(y) * width, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

std::vector<uint8_t> EncodePalettePng(const CMapRaster& raster, int zlibLevel)
{
    if (!raster.HasPixels())
        throw PeerError("PNG: the picture has no pixels");
    if (raster.colorCount < 1 || raster.colorCount > 256)
        throw PeerError("PNG: palette of " + std::to_string(raster.colorCount) + " colours");
    const uint8_t* index = raster.IndexPlane();
    for (size_t i = 0, n = raster.PixelCount(); i < n; ++i)
        if (index[i] >= raster.colorCount)
            throw PeerError("PNG: pixel " + std::to_string(i) + " names no palette entry");
    std::vector<uint8_t> out;
    PngErrorText error;
    if (!WritePng(raster, zlibLevel, out, error))
        throw PeerError(std::string("PNG: ") + error.text);
    return out;
}

void DecodePalettePng(std::span<const uint8_t> file, std::vector<uint8_t>& indices,
                      uint32_t& width, uint32_t& height)
{
    PngErrorText error;
    if (!ReadPng(file, indices, width, height, error))
        throw PeerError(std::string("PNG: ") + error.text);
}
