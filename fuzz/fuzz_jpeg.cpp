// Any byte string handed to the JPEG reader is either refused with an import
// error or becomes a complete picture of plain 24-bit colours.
#include "doc/JpegReader.h"
#include "fuzz/PictureCheck.h"

#include <turbojpeg.h>


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
        CheckAcceptedPicture(DecodeJpeg(data, size));
    } catch (const ImportError&) {
    }
    return 0;
}
