// The georeferencing chunk of .rgz files: the input is the chunk's data,
// stored in a small valid .rgz file (checksum right) and read back. A chunk
// that is accepted must be written again byte for byte.
#include "doc/GeoChunk.h"
#include "rgz/Rgz.h"
#include "rgz/RgzContainer.h"
#include "rgz/RgzError.h"

#include <cstdlib>
#include <cstring>

namespace {

// A small picture's .rgz file, taken apart once: header and coded picture.
struct PictureParts {
    std::vector<uint8_t> file;
    RgzHeader header;
    std::span<const uint8_t> picture;
};

const PictureParts& Picture()
{
    static const PictureParts parts = [] {
        CMapRaster raster;
        raster.Resize(4, 3);
        raster.colorCount = 2;
        std::memcpy(raster.IndexPlane(), "\0\1\1\0\0\1\1\1\0\0\0\1", 12);
        PictureParts p;
        p.file = EncodeRgz(raster, RgzLevel::Fast);
        const RgzLayout layout = ReadRgzLayout(p.file, true);
        p.header = {RgzLevel(layout.level), layout.mode, layout.width, layout.height, layout.colourCount};
        p.picture = std::span<const uint8_t>(p.file).subspan(RGZ_HEADER_BYTES, layout.pictureEnd - RGZ_HEADER_BYTES);
        return p;
    }();
    return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> chunk(data, data + size);
    const PictureParts& parts = Picture();
    const std::vector<RgzChunk> chunks{{RGZ_GEO_TAG, chunk}};
    const std::vector<uint8_t> file = WriteRgzFile(parts.header, parts.picture, chunks);
    std::optional<GeoReference> geo;
    try {
        geo = GeoReferenceOfRgz(file);
    } catch (const RgzFormatError& e) {
        if (e.offset() >= file.size())
            std::abort();  // the byte named must lie in the file
        return 0;
    }
    if (!geo || EncodeGeoChunk(*geo).data != chunk)
        std::abort();
    return 0;
}
