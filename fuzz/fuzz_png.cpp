// Any byte string handed to the PNG reader is either refused with an import
// error or becomes a complete picture of plain 24-bit colours.
#include "doc/PngReader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Headers may claim large pictures that the reader accepts; keep each run small.
    if (size >= 24) {
        const uint64_t width = uint64_t(data[16]) << 24 | data[17] << 16 | data[18] << 8 | data[19];
        const uint64_t height = uint64_t(data[20]) << 24 | data[21] << 16 | data[22] << 8 | data[23];
        if (width * height > (uint64_t(1) << 22))
            return 0;
    }
    try {
        const TruecolorPicture picture = DecodePng(data, size);
        if (picture.width < 1 || picture.height < 1 ||
            picture.pixels.size() != size_t(picture.width) * picture.height)
            std::abort();
        for (uint32_t p : picture.pixels)
            if (p >> 24)
                std::abort();
    } catch (const ImportError&) {
    }
    return 0;
}
