// Every .rgm file the decoder accepts goes to .rgz and back byte for byte,
// and the .rgz file reads as the same picture.
#include "codec/RgmFormat.h"
#include "fuzz/RgmClaim.h"
#include "rgz/Rgz.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Tiny files may legally describe huge flat pictures; keep each run small.
    if (size < 4 || ClaimedRgmPixels(data, size) > (uint64_t(1) << 18))
        return 0;
    CMapRaster fromRgm;
    try {
        fromRgm.Decode(size, data);
    } catch (const RgmFormatError&) {
        return 0;
    }
    const RgzLevel level = size % 2 ? RgzLevel::Best : RgzLevel::Fast;
    const std::vector<uint8_t> rgz = RgmToRgz({data, size}, level);
    const std::vector<uint8_t> back = RgzToRgm(rgz);
    if (back.size() != size || std::memcmp(back.data(), data, size) != 0)
        std::abort();
    CMapRaster fromRgz;
    DecodeRgz(rgz, fromRgz);
    if (fromRgz.width != fromRgm.width || fromRgz.height != fromRgm.height ||
        fromRgz.colorCount != fromRgm.colorCount ||
        std::memcmp(fromRgz.palette, fromRgm.palette, sizeof fromRgm.palette[0] * size_t(fromRgm.colorCount)) != 0 ||
        std::memcmp(fromRgz.IndexPlane(), fromRgm.IndexPlane(), fromRgm.PixelCount()) != 0)
        std::abort();
    return 0;
}
