// Any byte string handed to the .rgz reader is either refused with a format
// error or read into a whole picture whose file, written again, is these very
// bytes (a file of an older format version: a file that reads as the same
// picture). The checksum is made right first, so that the fuzzer reaches the
// models behind it instead of stopping at the checksum.
#include "codec/RgmFormat.h"
#include "rgz/Rgz.h"
#include "rgz/RgzFormat.h"
#include "support/RgzFiles.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool SamePicture(const CMapRaster& a, const CMapRaster& b)
{
    return a.width == b.width && a.height == b.height && a.colorCount == b.colorCount &&
           std::memcmp(a.palette, b.palette, sizeof a.palette[0] * size_t(a.colorCount)) == 0 &&
           std::memcmp(a.IndexPlane(), b.IndexPlane(), a.PixelCount()) == 0;
}

// An older version's file is written anew in the current version: that
// file reads as the same picture.
bool SameAsRead(const std::vector<uint8_t>& file, const CMapRaster& picture)
{
    CMapRaster read;
    DecodeRgz(file, read);
    return SamePicture(read, picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> file(data, data + size);
    testsupport::FixRgzChecksum(file);
    Limits limits;
    limits.maxPixels = size_t(1) << 18;  // keeps each run short
    CMapRaster picture;
    std::vector<RgzChunk> chunks;
    try {
        DecodeRgz(file, picture, &chunks, limits);
    } catch (const RgzFormatError&) {
        return 0;
    }
    const RgzInfo info = DescribeRgz(file);
    if (!info.checksumOk || info.width != picture.width || info.height != picture.height ||
        info.colourCount != picture.colorCount)
        std::abort();
    if (!info.fallback) {
        const std::vector<uint8_t> again = EncodeRgz(picture, info.level, chunks);
        if (info.version == RGZ_VERSION ? again != file : !SameAsRead(again, picture))
            std::abort();
        return 0;
    }
    // A fallback file keeps .rgm bytes of another writer: they read as the
    // same picture and survive another trip through .rgz.
    const std::vector<uint8_t> rgm = RgzToRgm(file, limits);
    CMapRaster fromRgm;
    fromRgm.Decode(rgm.size(), rgm.data());
    if (!SamePicture(picture, fromRgm) || RgzToRgm(RgmToRgz(rgm, info.level, chunks)) != rgm)
        std::abort();
    return 0;
}
