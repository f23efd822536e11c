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

// A peer decodes to bytes (indices or RGB) that check compares with the picture.
using PeerDecoder = void (*)(std::span<const uint8_t>, std::vector<uint8_t>&, uint32_t&,
                             uint32_t&);
using PeerCheck = void (*)(const CMapRaster&, const std::vector<uint8_t>&, uint32_t, uint32_t,
                           const char*);

CompareCodec Peer(const char* name, std::function<bool(const CMapRaster&)> canHold,
                  std::function<std::vector<uint8_t>(CMapRaster&)> encode, PeerDecoder decode,
                  PeerCheck check)
{
    CompareCodec c;
    c.name = name;
    c.peer = true;
    c.canHold = std::move(canHold);
    c.encode = std::move(encode);
    c.decode = [decode](std::span<const uint8_t> file, DecodedPicture& d) {
        decode(file, d.bytes, d.width, d.height);
    };
    c.check = [check, name](const CMapRaster& p, const DecodedPicture& d) {
        check(p, d.bytes, d.width, d.height, name);
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
    codecs.push_back(Peer(
        "PNG", AnyPicture, [](CMapRaster& r) { return EncodePalettePng(r, PNG_LEVEL); },
        DecodePalettePng, CheckSameIndices));
    codecs.push_back(Peer("WebP", WebpCanHold, EncodeLosslessWebp, DecodeWebp, CheckSameRgb));
    codecs.push_back(Peer("JPEG XL", AnyPicture, EncodeLosslessJxl, DecodeJxl, CheckSameRgb));
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
