#include "doc/PngWriter.h"

#include "doc/SafeFile.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <new>
#include <stdexcept>

namespace {

struct PngSink {
    std::vector<uint8_t> bytes;
    const char* message = nullptr;
};

void AppendToMemory(png_structp png, png_bytep data, size_t count)
{
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    bool grown = true;
    try {
        sink->bytes.insert(sink->bytes.end(), data, data + count);
    } catch (const std::bad_alloc&) {
        grown = false;
    }
    if (!grown)
        png_error(png, "not enough memory for the PNG file image");
}

void FlushNothing(png_structp) {}

void OnError(png_structp png, png_const_charp text)
{
    static_cast<PngSink*>(png_get_error_ptr(png))->message = text;
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

struct PngWriteHandles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriteHandles() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

// What goes into the header and how the rows are compressed.
struct PngLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    int colourType = PNG_COLOR_TYPE_RGB;
    const png_color* palette = nullptr;
    int paletteEntries = 0;
    bool unfiltered = false;
    int level = -1;  // zlib's default
};

// Writes the whole picture; the only setjmp point of the writer, with nothing
// in it that has a destructor to skip.
bool WriteImage(png_structp png, png_infop info, const PngLayout& layout, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, layout.width, layout.height, 8, layout.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (layout.palette)
        png_set_PLTE(png, info, layout.palette, layout.paletteEntries);
    if (layout.unfiltered)
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    if (layout.level >= 0)
        png_set_compression_level(png, layout.level);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

std::vector<uint8_t> Encode(const PngLayout& layout, png_bytepp rows)
{
    PngSink sink;
    PngWriteHandles handles;
    handles.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
    if (handles.png)
        handles.info = png_create_info_struct(handles.png);
    if (!handles.info)
        throw std::bad_alloc();
    png_set_write_fn(handles.png, &sink, AppendToMemory, FlushNothing);
    if (!WriteImage(handles.png, handles.info, layout, rows))
        throw std::runtime_error(std::string("PNG: ") + (sink.message ? sink.message : "cannot write"));
    return std::move(sink.bytes);
}

}  // namespace

std::vector<uint8_t> EncodePng8(const CMapRaster& raster)
{
    if (!raster.HasPixels())
        throw std::invalid_argument("a picture without pixels cannot be written as PNG");
    const uint8_t* plane = raster.IndexPlane();
    const uint8_t highest = *std::max_element(plane, plane + raster.PixelCount());
    const int entries = std::max({int(highest) + 1, int(raster.colorCount), 1});
    png_color palette[256];
    for (int i = 0; i < entries; ++i)
        palette[i] = {png_byte(raster.palette[i]), png_byte(raster.palette[i] >> 8),
                      png_byte(raster.palette[i] >> 16)};
    std::vector<png_bytep> rows(raster.height);
    for (uint32_t y = 0; y < raster.height; ++y)
        rows[y] = raster.indexRows[y];
    PngLayout layout;
    layout.width = raster.width;
    layout.height = raster.height;
    layout.colourType = PNG_COLOR_TYPE_PALETTE;
    layout.palette = palette;
    layout.paletteEntries = entries;
    layout.unfiltered = true;
    layout.level = PNG_PALETTE_LEVEL;
    return Encode(layout, rows.data());
}

void WritePng8(const CMapRaster& raster, const std::string& path)
{
    WriteFileAtomically(path, EncodePng8(raster));
}

std::vector<uint8_t> EncodePngRgb(uint32_t width, uint32_t height, const uint32_t* pixels)
{
    if (width == 0 || height == 0)
        throw std::invalid_argument("a picture without pixels cannot be written as PNG");
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (size_t i = 0; i < size_t(width) * height; ++i)
        for (size_t c = 0; c < 3; ++c)
            rgb[3 * i + c] = uint8_t(pixels[i] >> (8 * c));
    std::vector<png_bytep> rows(height);
    for (uint32_t y = 0; y < height; ++y)
        rows[y] = rgb.data() + size_t(y) * width * 3;
    PngLayout layout;
    layout.width = width;
    layout.height = height;
    return Encode(layout, rows.data());
}
