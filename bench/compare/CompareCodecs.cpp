#include "bench/compare/CompareCodecs.h"

#include "bench/peers/JxlPeer.h"
#include "bench/peers/PeerPixels.h"
#include "bench/peers/PngPeer.h"
#include "bench/peers/WebpPeer.h"

#ifdef KARVEX_HAVE_RGZ
#include "rgz/Rgz.h"
#endif

#include <algorithm>

namespace {

constexpr int PNG_LEVEL = 9;

bool AnyPicture(const CMapRaster& raster) { return raster.HasPixels(); }

// Karvex's formats decode to a whole raster: size, palette and every index.
void CheckSameRaster(const CMapRaster& picture, const DecodedPicture& decoded, const char* codec)
{
    const CMapRaster& r = decoded.raster;
    if (r.colorCount != picture.colorCount ||
        !std::equal(picture.palette, picture.palette + picture.colorCount, r.palette))
        throw PeerError(std::string(codec) + ": decoded palette differs from the picture");
    std::vector<uint8_t> indices(r.IndexPlane(), r.IndexPlane() + r.PixelCount());
    CheckSameIndices(picture, indices, r.width, r.height, codec);
}

CompareCodec Rgm()
{
    CompareCodec c;
    c.name = ".rgm";
    c.canHold = AnyPicture;
    c.encode = [](CMapRaster& raster) {
        std::vector<uint8_t> out;
        raster.Encode(out);
        return out;
    };
    c.decode = [](std::span<const uint8_t> file, DecodedPicture& d) {
        d.raster.Decode(file.size(), file.data());
    };
    c.check = [](const CMapRaster& p, const DecodedPicture& d) { CheckSameRaster(p, d, ".rgm"); };
    return c;
}

#ifdef KARVEX_HAVE_RGZ
CompareCodec Rgz(RgzLevel level, const char* name)
{
    CompareCodec c;
    c.name = name;
    c.canHold = AnyPicture;
    c.encode = [level](CMapRaster& raster) { return EncodeRgz(raster, level); };
    c.decode = [](std::span<const uint8_t> file, DecodedPicture& d) { DecodeRgz(file, d.raster); };
    c.check = [name](const CMapRaster& p, const DecodedPicture& d) { CheckSameRaster(p, d, name); };
    return c;
}
#endif

CompareCodec Png()
{
    CompareCodec c;
    c.name = "PNG";
    c.peer = true;
    c.canHold = AnyPicture;
    c.encode = [](CMapRaster& raster) { return EncodePalettePng(raster, PNG_LEVEL); };
    c.decode = [](std::span<const uint8_t> file, DecodedPicture& d) {
        DecodePalettePng(file, d.bytes, d.width, d.height);
    };
    c.check = [](const CMapRaster& p, const DecodedPicture& d) {
        CheckSameIndices(p, d.bytes, d.width, d.height, "PNG");
    };
    return c;
}

CompareCodec Webp()
{
    CompareCodec c;
    c.name = "WebP";
    c.peer = true;
    c.canHold = WebpCanHold;
    c.encode = [](CMapRaster& raster) { return EncodeLosslessWebp(raster); };
    c.decode = [](std::span<const uint8_t> file, DecodedPicture& d) {
        DecodeWebp(file, d.bytes, d.width, d.height);
    };
    c.check = [](const CMapRaster& p, const DecodedPicture& d) {
        CheckSameRgb(p, d.bytes, d.width, d.height, "WebP");
    };
    return c;
}

CompareCodec Jxl()
{
    CompareCodec c;
    c.name = "JPEG XL";
    c.peer = true;
    c.canHold = AnyPicture;
    c.encode = [](CMapRaster& raster) { return EncodeLosslessJxl(raster); };
    c.decode = [](std::span<const uint8_t> file, DecodedPicture& d) {
        DecodeJxl(file, d.bytes, d.width, d.height);
    };
    c.check = [](const CMapRaster& p, const DecodedPicture& d) {
        CheckSameRgb(p, d.bytes, d.width, d.height, "JPEG XL");
    };
    return c;
}

}  // namespace

std::vector<CompareCodec> CompareCodecs()
{
    std::vector<CompareCodec> codecs{Rgm()};
#ifdef KARVEX_HAVE_RGZ
    codecs.push_back(Rgz(RgzLevel::Fast, ".rgz"));
    codecs.push_back(Rgz(RgzLevel::Best, ".rgz --best"));
#endif
    codecs.push_back(Png());
    codecs.push_back(Webp());
    codecs.push_back(Jxl());
    return codecs;
}

bool HaveRgz()
{
#ifdef KARVEX_HAVE_RGZ
    return true;
#else
    return false;
#endif
}
