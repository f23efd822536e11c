// Any byte string handed to the JPEG reader is either refused with an import
// error or becomes a complete picture of plain 24-bit colours.
#include "doc/JpegReader.h"

#include <turbojpeg.h>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Headers may claim large pictures that the reader accepts; keep each run small.
    tjhandle h = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    const bool large = size > 0 &&
                       tjDecompressHeader3(h, data, size, &width, &height, &subsampling, &colourspace) == 0 &&
                       int64_t(width) * height > (int64_t(1) << 22);
    tjDestroy(h);
    if (large)
        return 0;
    try {
        const TruecolorPicture picture = DecodeJpeg(data, size);
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
