#include "doc/BmpReader.h"

#include "codec/ByteOrder.h"

#include <bit>
#include <string>
#include <vector>

namespace {

enum : uint32_t {
    BI_RGB = 0,
    BI_RLE8 = 1,
    BI_RLE4 = 2,
    BI_BITFIELDS = 3,
    BI_ALPHABITFIELDS = 6,
};

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kMaskOffset = kFileHeaderBytes + 40;  // masks follow the 40-byte fields

[[noreturn]] void Fail(const std::string& what, ErrorCode code = ErrorCode::Malformed)
{
    throw ImportError("bitmap: " + what, code);
}

// Bounds-checked little-endian reads from the file image.
class ByteView {
public:
    ByteView(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t size() const { return size_; }
    bool Has(size_t offset, size_t count) const { return offset <= size_ && count <= size_ - offset; }
    void Need(size_t offset, size_t count, const char* what) const
    {
        if (!Has(offset, count))
            Fail(std::string("file ends inside the ") + what + " (needs bytes " + std::to_string(offset) +
                 " to " + std::to_string(uint64_t(offset) + count) + ", file has " + std::to_string(size_) +
                 ")",
                 ErrorCode::Truncated);
    }
    uint8_t U8(size_t offset) const { return data_[offset]; }
    uint16_t U16(size_t offset) const { return uint16_t(LoadU16(data_ + offset)); }
    uint32_t U32(size_t offset) const { return LoadU32(data_ + offset); }
    const uint8_t* At(size_t offset) const { return data_ + offset; }

private:
    const uint8_t* data_;
    size_t size_;
};

uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue) { return red | green << 8 | blue << 16; }

// One colour channel of a 16- or 32-bit pixel, scaled to 0-255.
struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;  // mask >> shift

    static ChannelMask From(uint32_t mask, const char* channel)
    {
        ChannelMask c;
        if (mask == 0)
            return c;
        c.mask = mask;
        c.shift = std::countr_zero(mask);
        c.max = mask >> c.shift;
        if ((c.max & (c.max + 1)) != 0)
            Fail(std::string("the ") + channel + " bit mask " + std::to_string(mask) + " is not one run of bits");
        return c;
    }
    uint32_t Value(uint32_t pixel) const
    {
        if (max == 0)
            return 0;
        return uint32_t((uint64_t((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

struct BmpLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    bool topDown = false;
    unsigned bitsPerPixel = 0;
    uint32_t compression = BI_RGB;
    size_t pixelOffset = 0;
    std::vector<uint32_t> colourTable;  // as pixel words
    ChannelMask red, green, blue;
};

const char* CompressionName(uint32_t compression)
{
    switch (compression) {
    case 4: return "JPEG";
    case 5: return "PNG";
    case 11: case 12: case 13: return "CMYK";
    default: return nullptr;
    }
}

void ReadColourTable(const ByteView& file, size_t offset, size_t entryBytes, uint32_t used, BmpLayout& layout)
{
    const uint32_t possible = 1u << layout.bitsPerPixel;
    const uint32_t count = (used == 0 || used > possible) ? possible : used;
    file.Need(offset, size_t(count) * entryBytes, "colour table");
    layout.colourTable.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = offset + i * entryBytes;
        layout.colourTable[i] = Rgb(file.U8(at + 2), file.U8(at + 1), file.U8(at));
    }
}

void ReadMasks(const ByteView& file, BmpLayout& layout)
{
    uint32_t masks[3];
    if (layout.compression == BI_BITFIELDS || layout.compression == BI_ALPHABITFIELDS) {
        file.Need(kMaskOffset, 12, "colour bit masks");
        for (int i = 0; i < 3; ++i)
            masks[i] = file.U32(kMaskOffset + 4 * size_t(i));
    } else if (layout.bitsPerPixel == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else {
        masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
    }
    layout.red = ChannelMask::From(masks[0], "red");
    layout.green = ChannelMask::From(masks[1], "green");
    layout.blue = ChannelMask::From(masks[2], "blue");
}

// What the information header says about the colour table.
struct TableFacts {
    size_t offset = 0;
    size_t entryBytes = 4;
    uint32_t used = 0;  // 0: as many as the depth allows
};

// Width, height, row order, depth and compression from the information header.
TableFacts ReadInfoHeader(const ByteView& file, BmpLayout& layout)
{
    const uint32_t headerBytes = file.U32(14);
    file.Need(kFileHeaderBytes, headerBytes, "information header");
    TableFacts table;
    table.offset = kFileHeaderBytes + headerBytes;
    int64_t height = 0;
    if (headerBytes == 12) {  // the old core header: 16-bit sides, 3-byte colour entries
        layout.width = file.U16(18);
        height = file.U16(20);
        layout.bitsPerPixel = file.U16(24);
        table.entryBytes = 3;
    } else if (headerBytes == 40 || headerBytes == 52 || headerBytes == 56 || headerBytes == 108 ||
               headerBytes == 124) {
        const int32_t width = int32_t(file.U32(18));
        if (width <= 0)
            Fail("width " + std::to_string(width) + " at byte 18 is not positive");
        layout.width = uint32_t(width);
        height = int32_t(file.U32(22));
        layout.bitsPerPixel = file.U16(28);
        layout.compression = file.U32(30);
        table.used = file.U32(46);
    } else {
        Fail("information header size " + std::to_string(headerBytes) +
             " at byte 14 is not one of 12, 40, 52, 56, 108, 124");
    }
    layout.topDown = height < 0;
    const uint64_t rows = uint64_t(height < 0 ? -height : height);
    if (layout.width == 0 || rows == 0)
        Fail("the picture has no pixels (" + std::to_string(layout.width) + " x " + std::to_string(rows) + ")",
             ErrorCode::NoPixels);
    if (layout.width > MAX_SIDE || rows > MAX_SIDE)
        Fail("picture size " + std::to_string(layout.width) + " x " + std::to_string(rows) +
             " exceeds the largest side of 65535", ErrorCode::TooLarge);
    layout.height = uint32_t(rows);
    return table;
}

void CheckPixelFormat(const BmpLayout& layout)
{
    const unsigned bpp = layout.bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        Fail(std::to_string(bpp) + " bits per pixel (byte 28) is not supported", ErrorCode::Unsupported);
    const uint32_t c = layout.compression;
    const bool fits = c == BI_RGB || (c == BI_RLE8 && bpp == 8) || (c == BI_RLE4 && bpp == 4) ||
                      ((c == BI_BITFIELDS || c == BI_ALPHABITFIELDS) && (bpp == 16 || bpp == 32));
    if (!fits) {
        const char* name = CompressionName(c);
        Fail(name ? std::string(name) + " compressed bitmaps are not supported"
                  : "compression " + std::to_string(c) + " (byte 30) does not fit " + std::to_string(bpp) +
                        " bits per pixel",
             name ? ErrorCode::Unsupported : ErrorCode::Malformed);
    }
    if (layout.topDown && (c == BI_RLE8 || c == BI_RLE4))
        Fail("run-length compressed bitmaps cannot be stored top-down");
}

BmpLayout ReadLayout(const ByteView& file)
{
    file.Need(0, kFileHeaderBytes + 4, "file header");
    if (file.U8(0) != 'B' || file.U8(1) != 'M')
        Fail("not a bitmap file (it does not start with \"BM\")");
    BmpLayout layout;
    layout.pixelOffset = file.U32(10);
    const TableFacts table = ReadInfoHeader(file, layout);
    CheckPixelFormat(layout);
    if (layout.bitsPerPixel <= 8)
        ReadColourTable(file, table.offset, table.entryBytes, table.used, layout);
    else
        ReadMasks(file, layout);
    if (layout.pixelOffset > file.size())
        Fail("pixel data offset " + std::to_string(layout.pixelOffset) + " (byte 10) lies past the end of the file");
    return layout;
}

uint32_t TableColour(const BmpLayout& layout, uint32_t index, uint32_t x, uint32_t y)
{
    if (index >= layout.colourTable.size())
        Fail("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") uses colour " + std::to_string(index) +
             " but the colour table has " + std::to_string(layout.colourTable.size()) + " entries");
    return layout.colourTable[index];
}

void DecodeRow(const BmpLayout& layout, const uint8_t* row, uint32_t y, uint32_t* out)
{
    const uint32_t w = layout.width;
    switch (layout.bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
        const unsigned bpp = layout.bitsPerPixel, perByte = 8 / bpp, valueMask = (1u << bpp) - 1;
        for (uint32_t x = 0; x < w; ++x) {
            const unsigned shift = 8 - bpp * (x % perByte + 1);
            out[x] = TableColour(layout, (unsigned(row[x / perByte]) >> shift) & valueMask, x, y);
        }
        break;
    }
    case 16:
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t v = LoadU16(row + 2 * x);
            out[x] = Rgb(layout.red.Value(v), layout.green.Value(v), layout.blue.Value(v));
        }
        break;
    case 24:
        for (uint32_t x = 0; x < w; ++x)
            out[x] = Rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        break;
    case 32:
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t v = LoadU32(row + 4 * x);
            out[x] = Rgb(layout.red.Value(v), layout.green.Value(v), layout.blue.Value(v));
        }
        break;
    }
}

void DecodeUncompressed(const ByteView& file, const BmpLayout& layout, TruecolorPicture& picture)
{
    const size_t stride = size_t((uint64_t(layout.width) * layout.bitsPerPixel + 31) / 32 * 4);
    for (uint32_t stored = 0; stored < layout.height; ++stored) {
        const uint32_t y = layout.topDown ? stored : layout.height - 1 - stored;
        DecodeRow(layout, file.At(layout.pixelOffset + stored * stride), y,
                  picture.pixels.data() + size_t(y) * layout.width);
    }
}

// RLE8 and RLE4: runs, escapes (end of line, end of bitmap, delta) and
// absolute runs. Pixels the data skips keep colour 0; pixels it places
// outside the picture are dropped.
void DecodeRunLength(const ByteView& file, const BmpLayout& layout, TruecolorPicture& picture)
{
    const bool fourBit = layout.compression == BI_RLE4;
    const uint32_t background = layout.colourTable.empty() ? 0 : layout.colourTable[0];
    std::fill(picture.pixels.begin(), picture.pixels.end(), background);
    uint64_t x = 0, row = 0;  // row counts from the bottom
    auto put = [&](uint32_t index) {
        if (x < layout.width && row < layout.height) {
            const uint32_t y = layout.height - 1 - uint32_t(row);
            picture.pixels[size_t(y) * layout.width + x] = TableColour(layout, index, uint32_t(x), y);
        }
        ++x;
    };
    size_t at = layout.pixelOffset;
    for (;;) {
        file.Need(at, 2, "run-length data before its end-of-bitmap mark");
        const uint8_t count = file.U8(at), value = file.U8(at + 1);
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(fourBit ? (i % 2 ? value & 0x0F : value >> 4) : value);
        } else if (value == 0) {
            x = 0, ++row;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            file.Need(at, 2, "run-length delta");
            x += file.U8(at), row += file.U8(at + 1);
            at += 2;
        } else {
            const size_t bytes = size_t(fourBit ? (value + 1) / 2 : value);
            const size_t padded = (bytes + 1) / 2 * 2;
            file.Need(at, padded, "run-length absolute run");
            for (unsigned i = 0; i < value; ++i) {
                const uint8_t b = file.U8(at + (fourBit ? i / 2 : i));
                put(fourBit ? (i % 2 ? b & 0x0F : b >> 4) : b);
            }
            at += padded;
        }
    }
}

}  // namespace

TruecolorPicture DecodeBmp(const uint8_t* data, size_t size, const Limits& limits)
{
    const ByteView file(data, size);
    const BmpLayout layout = ReadLayout(file);
    const bool runLength = layout.compression == BI_RLE8 || layout.compression == BI_RLE4;
    if (!runLength) {
        // Check the claimed size against the data before allocating for it.
        const uint64_t stride = (uint64_t(layout.width) * layout.bitsPerPixel + 31) / 32 * 4;
        file.Need(layout.pixelOffset, size_t(stride * layout.height), "pixel rows");
    }
    TruecolorPicture picture = AllocatePicture(layout.width, layout.height, limits);
    if (runLength)
        DecodeRunLength(file, layout, picture);
    else
        DecodeUncompressed(file, layout, picture);
    return picture;
}
