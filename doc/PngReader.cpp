#include "doc/PngReader.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What libpng's callbacks share: the file image, how far it has been read,
// and the last error message.
struct PngSource {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t offset = 0;
    char message[256] = {};
};

void ReadFromMemory(png_structp png, png_bytep out, size_t count)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->size - source->offset) {
        std::snprintf(source->message, sizeof source->message, "the file ends at byte %zu, %zu bytes too early",
                      source->size, count - (source->size - source->offset));
        png_longjmp(png, 1);
    }
    std::memcpy(out, source->data + source->offset, count);
    source->offset += count;
}

void OnError(png_structp png, png_const_charp text)
{
    auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(source->message, sizeof source->message, "%s (at byte %zu)", text, source->offset);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// The read structures, destroyed on every path out of DecodePng.
struct PngReadHandles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReadHandles() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

// libpng reports errors by longjmp: these two functions hold the only
// setjmp points and nothing in them has a destructor to skip.
bool ReadHeaderAndSetTransforms(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    // Every kind of PNG becomes 8-bit red, green, blue, alpha.
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool ReadAllRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

[[noreturn]] void Fail(const PngSource& source) { throw ImportError(std::string("PNG: ") + source.message); }

uint32_t LoadBigEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Sum of the IDAT chunk lengths, walking the chunks from the signature on
// until IEND or the end of the data.
uint64_t CompressedImageBytes(const uint8_t* data, size_t size)
{
    uint64_t total = 0;
    for (size_t at = 8; at <= size && size - at >= 8;) {
        const uint32_t length = LoadBigEndian32(data + at);
        if (std::memcmp(data + at + 4, "IDAT", 4) == 0)
            total += length;
        else if (std::memcmp(data + at + 4, "IEND", 4) == 0)
            break;
        if (uint64_t(length) + 12 > size - at)
            break;
        at += size_t(length) + 12;
    }
    return total;
}

// Deflate turns one byte into at most 1032. A header can claim a gigapixel
// in a few dozen bytes; such a file is refused before its pixels are allocated.
// The sizes come from the header as stored (libpng has checked it), not from
// the converted rows, which take 32 bits per pixel whatever the file holds.
void CheckImageDataCanFillThePicture(const uint8_t* data, size_t size)
{
    const uint64_t width = LoadBigEndian32(data + 16), height = LoadBigEndian32(data + 20);
    const unsigned bitDepth = data[24], colourType = data[25];
    const unsigned channels = colourType == PNG_COLOR_TYPE_RGB         ? 3
                              : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                              : colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                                                                        : 1;
    const uint64_t bitsPerPixel = uint64_t(bitDepth) * channels;
    const uint64_t leastRawBytes = width * height * bitsPerPixel / 8;
    const uint64_t compressed = CompressedImageBytes(data, size);
    if (compressed * 1032 + 1024 < leastRawBytes)
        throw ImportError("PNG: the image data (" + std::to_string(compressed) + " bytes) is too short for a " +
                          std::to_string(width) + " x " + std::to_string(height) + " picture");
}

// Bytes red, green, blue, alpha become the word red | green << 8 | blue << 16
// with alpha laid over the background.
void FlattenAlpha(TruecolorPicture& picture)
{
    for (uint32_t& word : picture.pixels) {
        uint8_t bytes[4];
        std::memcpy(bytes, &word, 4);
        const unsigned alpha = bytes[3];
        uint32_t pixel = 0;
        for (int channel = 0; channel < 3; ++channel) {
            unsigned value = bytes[channel];
            if (alpha != 255) {
                const unsigned background = (PNG_BACKGROUND >> (8 * channel)) & 0xFF;
                value = (value * alpha + background * (255 - alpha) + 127) / 255;
            }
            pixel |= uint32_t(value) << (8 * channel);
        }
        word = pixel;
    }
}

}  // namespace

TruecolorPicture DecodePng(const uint8_t* data, size_t size, const Limits& limits)
{
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0)
        throw ImportError("PNG: no PNG signature at byte 0");
    PngSource source;
    source.data = data;
    source.size = size;

    PngReadHandles handles;
    handles.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnError, OnWarning);
    if (handles.png)
        handles.info = png_create_info_struct(handles.png);
    if (!handles.info)
        throw ImportError("PNG: cannot start the decoder");
    png_set_read_fn(handles.png, &source, ReadFromMemory);
    png_set_user_limits(handles.png, limits.maxSide, limits.maxSide);
    png_set_chunk_cache_max(handles.png, 1000);
    png_set_chunk_malloc_max(handles.png, 8 << 20);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Lets the fuzzer reach past the checksums it cannot forge.
    png_set_crc_action(handles.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(handles.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif

    if (!ReadHeaderAndSetTransforms(handles.png, handles.info))
        Fail(source);
    CheckImageDataCanFillThePicture(data, size);
    // Checks the claimed size against the limits before allocating.
    TruecolorPicture picture = AllocatePicture(png_get_image_width(handles.png, handles.info),
                                               png_get_image_height(handles.png, handles.info), limits);
    if (png_get_rowbytes(handles.png, handles.info) != size_t(picture.width) * 4)
        throw ImportError("PNG: unexpected row size after conversion");
    std::vector<png_bytep> rows(size_t(picture.height));
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = reinterpret_cast<png_bytep>(picture.pixels.data() + y * size_t(picture.width));
    if (!ReadAllRows(handles.png, rows.data()))
        Fail(source);
    FlattenAlpha(picture);
    return picture;
}
