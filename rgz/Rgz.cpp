// .rgz writing and reading: the container around the two coded layers, the
// checks that make model mode exact, and the fallback.
#include "rgz/Rgz.h"

#include "codec/ByteOrder.h"
#include "codec/RgmFormat.h"
#include "rgz/FirstLayer.h"
#include "rgz/PixelLayer.h"
#include "rgz/RgmFallback.h"
#include "rgz/RgzContainer.h"
#include "rgz/RgzFormat.h"

#include <algorithm>
#include <string>

namespace {

// What .rgm (and so .rgz) can hold.
void CheckEncodable(const CMapRaster& picture)
{
    const std::string refusal = EncodeRefusal(picture, ".rgz");
    if (!refusal.empty())
        throw RgzEncodeError(refusal);
}

// An .rgm file of a w x h picture is never longer than this; a fallback
// claiming more is refused before memory is taken for it.
uint64_t MaxRgmBytes(uint64_t pixels) { return 8 * pixels + 65536; }

void CheckPictureSize(const RgzLayout& layout, const Limits& limits)
{
    if (layout.width == 0 || layout.height == 0)
        throw RgzFormatError("the picture has no pixels", 7);
    if (layout.width > limits.maxSide || layout.height > limits.maxSide)
        throw RgzFormatError("the picture is " + std::to_string(layout.width) + " x " + std::to_string(layout.height) +
                                 " pixels, a side above the limit of " + std::to_string(limits.maxSide),
                             7);
    const uint64_t pixels = uint64_t(layout.width) * layout.height;
    if (pixels > limits.maxPixels)
        throw RgzFormatError("the picture has " + std::to_string(pixels) + " pixels, more than the limit of " +
                                 std::to_string(limits.maxPixels),
                             7);
}

RgzLayout ReadCheckedLayout(std::span<const uint8_t> rgz, const Limits& limits)
{
    RgzLayout layout = ReadRgzLayout(rgz, true);
    CheckPictureSize(layout, limits);
    if (layout.mode == RGZ_MODE_MODEL && layout.colourCount == 0)
        throw RgzFormatError("the palette has no colours", 11);
    for (size_t k = 0; k < layout.chunkTags.size(); ++k)
        if (!RgzTagIsOptional(layout.chunkTags[k]))
            throw RgzFormatError("a needed chunk of a kind this reader does not know", layout.chunkStarts[k]);
    return layout;
}

// The range decoder must have used its stream exactly.
void CheckStreamEnd(const RangeDecoder& dec, const RgzPart& part, const char* name)
{
    if (dec.overrun())
        throw RgzFormatError(std::string(name) + " ends early", part.offset + part.bytes.size());
    if (dec.offset() != part.bytes.size())
        throw RgzFormatError(std::string(name) + " has " + std::to_string(part.bytes.size() - dec.offset()) +
                                 " bytes left over",
                             part.offset + dec.offset());
    if (!dec.AtCanonicalEnd())
        throw RgzFormatError(std::string(name) + " does not end as the encoder ends it",
                             part.offset + part.bytes.size() - 1);
}

void DecodeModel(const RgzLayout& layout, CMapRaster& raster)
{
    raster.Resize(layout.width, layout.height);
    raster.colorCount = layout.colourCount;
    const RgzLevel level = RgzLevel(layout.level);

    RangeDecoder first(layout.layer1.bytes.data(), layout.layer1.bytes.data() + layout.layer1.bytes.size());
    DecodeFirstLayer(raster, level, first, layout.layer1.offset, layout.version);
    CheckStreamEnd(first, layout.layer1, "layer 1");

    RangeDecoder second(layout.layer2.bytes.data(), layout.layer2.bytes.data() + layout.layer2.bytes.size());
    try {
        DecodePixelLayer(raster.WorkPlane(), raster.IndexPlane(), raster.width, raster.height, raster.palette,
                         raster.colorCount, level, second, layout.version);
    } catch (const RgzFormatError& e) {
        throw RgzFormatError("layer 2: " + e.reason(), layout.layer2.offset + e.offset());
    }
    CheckStreamEnd(second, layout.layer2, "layer 2");

    // The stored cleaned picture must be the one the encoder makes of the
    // picture, or the file would not be what our writer writes for it.
    if (!raster.WorkIsCleaned())
        throw RgzFormatError("the cleaned picture in layer 1 does not belong to the picture", layout.layer1.offset);
}

// The .rgm bytes a fallback file holds, checked against its header.
std::vector<uint8_t> UnpackFallback(const RgzLayout& layout)
{
    const uint64_t pixels = uint64_t(layout.width) * layout.height;
    if (layout.rgmLength > MaxRgmBytes(pixels))
        throw RgzFormatError("the stored .rgm length " + std::to_string(layout.rgmLength) +
                                 " is too large for the picture",
                             layout.packedRgm.offset);
    std::vector<uint8_t> rgm = UnpackRgm(layout.packedRgm.bytes, layout.rgmLength, layout.packedRgm.offset);
    if (rgm.size() < HEADER_FIXED_BYTES || LoadU16(rgm.data()) != layout.width ||
        LoadU16(rgm.data() + 2) != layout.height || rgm[4] != layout.colourCount)
        throw RgzFormatError("the stored .rgm file's header does not match the .rgz header",
                             layout.packedRgm.offset);
    return rgm;
}

void DecodeFallback(const RgzLayout& layout, const std::vector<uint8_t>& rgm, CMapRaster& raster)
{
    try {
        raster.Decode(rgm.size(), rgm.data());
    } catch (const RgmFormatError& e) {
        throw RgzFormatError(std::string("the stored .rgm file is damaged: ") + e.what(), layout.packedRgm.offset);
    }
}

std::vector<RgzChunk> ChunksOf(const RgzLayout& layout)
{
    std::vector<RgzChunk> chunks;
    for (size_t k = 0; k < layout.chunkTags.size(); ++k)
        chunks.push_back({layout.chunkTags[k], {layout.chunkData[k].bytes.begin(), layout.chunkData[k].bytes.end()}});
    return chunks;
}

}  // namespace

std::vector<uint8_t> EncodeRgz(CMapRaster& picture, RgzLevel level, std::span<const RgzChunk> chunks)
{
    CheckEncodable(picture);
    CheckChunksToWrite(chunks);
    picture.RemoveSmallRegions();

    RangeEncoder enc;
    EncodeFirstLayer(picture, level, enc);
    const std::vector<uint8_t> layer1 = enc.Finish();
    EncodePixelLayer(picture.WorkPlane(), picture.IndexPlane(), picture.width, picture.height, picture.palette,
                     picture.colorCount, level, enc);
    const std::vector<uint8_t> layer2 = enc.Finish();

    std::vector<uint8_t> body;
    body.reserve(layer1.size() + layer2.size() + 2 * RGZ_VARINT_MAX_BYTES);
    AppendPart(body, layer1);
    AppendPart(body, layer2);
    const RgzHeader header{level, RGZ_MODE_MODEL, picture.width, picture.height, picture.colorCount};
    return WriteRgzFile(header, body, chunks);
}

std::vector<uint8_t> RgmToRgz(std::span<const uint8_t> rgm, RgzLevel level, std::span<const RgzChunk> chunks)
{
    CheckChunksToWrite(chunks);
    CMapRaster picture;
    picture.Decode(rgm.size(), rgm.data());
    std::vector<uint8_t> ours;
    try {
        picture.Encode(ours);
    } catch (const RgmEncodeError&) {
        ours.clear();
    }
    if (ours.size() == rgm.size() && std::equal(ours.begin(), ours.end(), rgm.begin()))
        return EncodeRgz(picture, level, chunks);

    std::vector<uint8_t> body;
    AppendVarint(body, rgm.size());
    AppendPart(body, PackRgm(rgm));
    const RgzHeader header{level, RGZ_MODE_FALLBACK, picture.width, picture.height, picture.colorCount};
    return WriteRgzFile(header, body, chunks);
}

void DecodeRgz(std::span<const uint8_t> rgz, CMapRaster& picture, std::vector<RgzChunk>* chunks, const Limits& limits)
{
    const RgzLayout layout = ReadCheckedLayout(rgz, limits);
    CMapRaster raster;
    if (layout.mode == RGZ_MODE_MODEL)
        DecodeModel(layout, raster);
    else
        DecodeFallback(layout, UnpackFallback(layout), raster);
    if (chunks)
        *chunks = ChunksOf(layout);
    picture = std::move(raster);
}

std::vector<uint8_t> RgzToRgm(std::span<const uint8_t> rgz, const Limits& limits)
{
    const RgzLayout layout = ReadCheckedLayout(rgz, limits);
    CMapRaster raster;
    if (layout.mode == RGZ_MODE_FALLBACK) {
        std::vector<uint8_t> rgm = UnpackFallback(layout);
        DecodeFallback(layout, rgm, raster);
        return rgm;
    }
    DecodeModel(layout, raster);
    std::vector<uint8_t> rgm;
    raster.Encode(rgm);
    return rgm;
}

RgzInfo DescribeRgz(std::span<const uint8_t> rgz)
{
    const RgzLayout layout = ReadRgzLayout(rgz, false);
    RgzInfo info;
    info.version = layout.version;
    info.level = RgzLevel(layout.level);
    info.fallback = layout.mode == RGZ_MODE_FALLBACK;
    info.width = layout.width;
    info.height = layout.height;
    info.colourCount = layout.colourCount;
    info.headerBytes = RGZ_HEADER_BYTES;
    if (info.fallback) {
        info.fallbackBytes = layout.pictureEnd - RGZ_HEADER_BYTES;
        info.rgmBytes = layout.rgmLength;
    } else {
        info.layer1Bytes = layout.layer1.offset + layout.layer1.bytes.size() - RGZ_HEADER_BYTES;
        info.layer2Bytes = layout.pictureEnd - (layout.layer1.offset + layout.layer1.bytes.size());
    }
    info.chunkCount = layout.chunkTags.size();
    info.chunkBytes = layout.checksumOffset - layout.pictureEnd;
    info.checksum = layout.storedChecksum;
    info.checksumOk = layout.checksumOk;
    return info;
}
