#include "doc/GeoChunk.h"

#include "rgz/RgzContainer.h"
#include "rgz/RgzError.h"
#include "doc/Utf8.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr size_t FIXED_BYTES = 1 + 6 * 8 + 4;

void AppendLe(std::vector<uint8_t>& out, uint64_t value, int bytes)
{
    for (int k = 0; k < bytes; ++k)
        out.push_back(uint8_t(value >> (8 * k)));
}

uint64_t ReadLe(std::span<const uint8_t> data, size_t at, size_t bytes)
{
    uint64_t value = 0;
    for (size_t k = 0; k < bytes; ++k)
        value |= uint64_t(data[at + k]) << (8 * k);
    return value;
}

}  // namespace

RgzChunk EncodeGeoChunk(const GeoReference& geo)
{
    if (FirstInvalidUtf8(geo.wkt) != geo.wkt.size())
        throw RgzEncodeError("the coordinate system is not UTF-8 text");
    RgzChunk chunk{RGZ_GEO_TAG, {}};
    chunk.data.reserve(FIXED_BYTES + geo.wkt.size());
    chunk.data.push_back(RGZ_GEO_VERSION);
    for (double value : geo.transform)
        AppendLe(chunk.data, std::bit_cast<uint64_t>(value), 8);
    AppendLe(chunk.data, geo.wkt.size(), 4);
    chunk.data.insert(chunk.data.end(), geo.wkt.begin(), geo.wkt.end());
    return chunk;
}

GeoReference DecodeGeoChunk(std::span<const uint8_t> data, size_t offset)
{
    const auto fail = [&](const std::string& what, size_t at) {
        throw RgzFormatError("georeferencing chunk: " + what, offset + at);
    };
    if (data.size() < FIXED_BYTES)
        fail(std::to_string(data.size()) + " bytes, too short", data.size());
    if (data[0] != RGZ_GEO_VERSION)
        fail("version " + std::to_string(data[0]) + " is not known", 0);
    GeoReference geo;
    for (size_t k = 0; k < 6; ++k) {
        geo.transform[k] = std::bit_cast<double>(ReadLe(data, 1 + 8 * k, 8));
        if (!std::isfinite(geo.transform[k]))
            fail("transform value " + std::to_string(k) + " is not a finite number", 1 + 8 * k);
    }
    const uint64_t wktLength = ReadLe(data, FIXED_BYTES - 4, 4);
    if (wktLength != data.size() - FIXED_BYTES)
        fail("coordinate system length " + std::to_string(wktLength) + " does not match the " +
                 std::to_string(data.size() - FIXED_BYTES) + " bytes left",
             FIXED_BYTES - 4);
    const std::span<const uint8_t> wkt = data.subspan(FIXED_BYTES);
    const std::string_view text(reinterpret_cast<const char*>(wkt.data()), wkt.size());
    if (const size_t bad = FirstInvalidUtf8(text); bad != wkt.size())
        fail("coordinate system is not UTF-8 text", FIXED_BYTES + bad);
    geo.wkt = text;
    return geo;
}

std::optional<GeoReference> GeoReferenceOfRgz(std::span<const uint8_t> rgz)
{
    const RgzLayout layout = ReadRgzLayout(rgz, true);
    std::optional<GeoReference> geo;
    for (size_t i = 0; i < layout.chunkTags.size(); ++i) {
        if (layout.chunkTags[i] != RGZ_GEO_TAG)
            continue;
        if (geo)
            throw RgzFormatError("a second georeferencing chunk", layout.chunkStarts[i]);
        geo = DecodeGeoChunk(layout.chunkData[i].bytes, layout.chunkData[i].offset);
    }
    return geo;
}

std::vector<uint8_t> WithGeoReference(std::span<const uint8_t> rgz, const std::optional<GeoReference>& geo)
{
    const RgzLayout layout = ReadRgzLayout(rgz, true);
    std::vector<RgzChunk> chunks;
    for (size_t i = 0; i < layout.chunkTags.size(); ++i)
        if (layout.chunkTags[i] != RGZ_GEO_TAG)
            chunks.push_back({layout.chunkTags[i], {layout.chunkData[i].bytes.begin(), layout.chunkData[i].bytes.end()}});
    if (geo)
        chunks.push_back(EncodeGeoChunk(*geo));
    const RgzHeader header{RgzLevel(layout.level), layout.mode, layout.width, layout.height, layout.colourCount};
    return WriteRgzFile(header, rgz.subspan(RGZ_HEADER_BYTES, layout.pictureEnd - RGZ_HEADER_BYTES), chunks);
}
