#include "bench/peers/PngPeer.h"

#include <png.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace {

// libpng is C: errors leave through longjmp, and the caller throws.
void OnError(png_structp png, png_const_charp message)
{
    std::strncpy(static_cast<char*>(png_get_error_ptr(png)), message, 199);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void WriteToVector(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

struct MemoryReader {
    const uint8_t* pos;
    const uint8_t* end;
};

void ReadFromMemory(png_structp png, png_bytep data, png_size_t length)
{
    auto* in = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (size_t(in->end - in->pos) < length)
        png_error(png, "file ends early");
    std::memcpy(data, in->pos, length);
    in->pos += length;
}

}  // namespace

std::vector<uint8_t> EncodePalettePng(const CMapRaster& raster, int zlibLevel)
{
    std::vector<uint8_t> out;
    char message[200] = {};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, message, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("libpng: cannot start a writer");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error(std::string("libpng: ") + message);
    }
    {
        png_set_write_fn(png, &out, WriteToVector, FlushNothing);
        png_set_compression_level(png, zlibLevel);
        png_set_IHDR(png, info, raster.width, raster.height, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_color colours[256] = {};
        const int count = raster.colorCount < 1 ? 1 : raster.colorCount;
        for (int i = 0; i < count; ++i) {
            colours[i].red = png_byte(raster.palette[i]);
            colours[i].green = png_byte(raster.palette[i] >> 8);
            colours[i].blue = png_byte(raster.palette[i] >> 16);
        }
        png_set_PLTE(png, info, colours, count);
        png_write_info(png, info);
        for (uint32_t y = 0; y < raster.height; ++y)
            png_write_row(png, raster.indexRows[y]);
        png_write_end(png, info);
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

void DecodePalettePng(std::span<const uint8_t> file, std::vector<uint8_t>& indices, uint32_t& width,
                      uint32_t& height)
{
    char message[200] = {};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, message, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        throw std::runtime_error("libpng: cannot start a reader");
    }
    MemoryReader in{file.data(), file.data() + file.size()};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw std::runtime_error(std::string("libpng: ") + message);
    }
    {
        png_set_read_fn(png, &in, ReadFromMemory);
        png_read_info(png, info);
        width = png_get_image_width(png, info);
        height = png_get_image_height(png, info);
        if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE || png_get_bit_depth(png, info) != 8)
            png_error(png, "not an 8-bit palette picture");
        indices.resize(size_t(width) * height);
        for (uint32_t y = 0; y < height; ++y)
            png_read_row(png, indices.data() + size_t(y) * width, nullptr);
        png_read_end(png, nullptr);
    }
    png_destroy_read_struct(&png, &info, nullptr);
}
