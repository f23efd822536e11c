// Any byte string handed to the PNG reader is either refused with an import
// error or becomes a complete picture of plain 24-bit colours.
#include "doc/PngReader.h"
#include "fuzz/PictureCheck.h"

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
        CheckAcceptedPicture(DecodePng(data, size));
    } catch (const ImportError&) {
    }
    return 0;
}
