// Builds small PNG file images of any kind through libpng, for the reader's
// and the tools' tests.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace testsupport {

struct PngShape {
    uint32_t width = 1;
    uint32_t height = 1;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;     // palette pictures
    std::vector<uint8_t> transparency;  // tRNS: alpha per palette entry
    std::vector<uint8_t> samples;       // packed rows as stored, without filter bytes
};

namespace detail {
inline void Append(png_structp png, png_bytep data, size_t n)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
inline void NoFlush(png_structp) {}
inline bool Write(png_structp png, png_infop info, const PngShape& s, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty())
        png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    if (!s.transparency.empty())
        png_set_tRNS(png, info, s.transparency.data(), int(s.transparency.size()), nullptr);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}
}  // namespace detail

inline std::vector<uint8_t> MakePng(const PngShape& s)
{
    const size_t rowBytes = s.samples.size() / s.height;
    std::vector<uint8_t> samples = s.samples;
    std::vector<png_bytep> rows(s.height);
    for (uint32_t y = 0; y < s.height; ++y)
        rows[y] = samples.data() + y * rowBytes;
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, detail::Append, detail::NoFlush);
    const bool ok = detail::Write(png, info, s, rows.data());
    png_destroy_write_struct(&png, &info);
    if (!ok)
        throw std::runtime_error("test PNG could not be written");
    return out;
}

}  // namespace testsupport
