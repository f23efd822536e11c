#include "cli/Commands.h"
#include "cli/GeoConvert.h"

#include "codec/MapRaster.h"
#include "doc/GeoChunk.h"
#include "doc/PictureFiles.h"
#include "doc/RgmFile.h"
#include "doc/RgzFile.h"
#include "doc/SafeFile.h"
#include "doc/Utf8.h"

#include <cstdio>
#include <string>

namespace {

const char* const PART_NAMES[RgmLayout::PART_COUNT] = {
    "header", "region seeds", "chain table", "crack codes", "small-region seeds", "trees"};
const char* const PART_KEYS[RgmLayout::PART_COUNT] = {
    "header", "regionSeeds", "chainTable", "crackCodes", "smallRegionSeeds", "trees"};

std::string ColourText(uint32_t entry)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", entry & 0xFF, (entry >> 8) & 0xFF,
                  (entry >> 16) & 0xFF);
    return text;
}

// A JSON string for a file name. A name is bytes, not necessarily UTF-8:
// each byte that is not part of well-formed UTF-8 is written as \udcXX
// (U+DC00 plus the byte), the escape that Python's "surrogateescape" reads
// back into the same byte.
std::string JsonString(const std::string& s)
{
    std::string out = "\"";
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        char esc[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else if (c >= 0x80) {
            if (const size_t length = Utf8SequenceAt(s, i)) {
                out.append(s, i, length);
                i += length;
                continue;
            }
            std::snprintf(esc, sizeof esc, "\\udc%02x", c);
            out += esc;
        } else {
            out += char(c);
        }
        ++i;
    }
    return out + "\"";
}

size_t TotalBytes(const RgmLayout& layout)
{
    size_t total = 0;
    for (size_t part : layout.partBytes)
        total += part;
    return total;
}

void PrintText(const std::string& path, const CMapRaster& r, const RgmLayout& l,
               const std::optional<GeoReference>& geo)
{
    std::printf("%s\n", path.c_str());
    std::printf("  size           %u x %u pixels\n", r.width, r.height);
    std::printf("  colours        %d\n", r.colorCount);
    for (int i = 0; i < r.colorCount; ++i)
        std::printf("    %3d  %s\n", i, ColourText(r.palette[i]).c_str());
    std::printf("  regions        %llu\n", static_cast<unsigned long long>(l.regions));
    std::printf("  chains         %u\n", l.chains);
    std::printf("  crack codes    %llu (end codes included)\n",
                static_cast<unsigned long long>(l.crackCodes));
    std::printf("  small regions  %llu\n", static_cast<unsigned long long>(l.smallRegions));
    std::printf("  bytes          %zu in all\n", TotalBytes(l));
    for (int i = 0; i < RgmLayout::PART_COUNT; ++i)
        std::printf("    %-20s %zu\n", PART_NAMES[i], l.partBytes[i]);
    if (geo) {
        std::printf("  geotransform   %s\n", GeoTransformText(geo->transform).c_str());
        std::printf("  coordinates    %s\n", geo->wkt.empty() ? "(none)" : CoordinateSystemName(geo->wkt).c_str());
    }
}

void PrintJson(const std::string& path, const CMapRaster& r, const RgmLayout& l,
               const std::optional<GeoReference>& geo)
{
    std::printf("{\"file\": %s, \"width\": %u, \"height\": %u, \"colorCount\": %d, \"palette\": [",
                JsonString(path).c_str(), r.width, r.height, r.colorCount);
    for (int i = 0; i < r.colorCount; ++i)
        std::printf("%s\"%s\"", i ? ", " : "", ColourText(r.palette[i]).c_str());
    std::printf("], \"regions\": %llu, \"chains\": %u, \"crackCodes\": %llu, \"smallRegions\": %llu, "
                "\"partBytes\": {",
                static_cast<unsigned long long>(l.regions), l.chains,
                static_cast<unsigned long long>(l.crackCodes),
                static_cast<unsigned long long>(l.smallRegions));
    for (int i = 0; i < RgmLayout::PART_COUNT; ++i)
        std::printf("%s\"%s\": %zu", i ? ", " : "", PART_KEYS[i], l.partBytes[i]);
    std::printf("}, \"totalBytes\": %zu", TotalBytes(l));
    if (geo)
        std::printf(", \"geoTransform\": [%s], \"coordinateSystem\": %s", GeoTransformText(geo->transform).c_str(),
                    JsonString(geo->wkt).c_str());
    std::printf("}\n");
}

const char* LevelName(RgzLevel level) { return level == RgzLevel::Best ? "best" : "fast"; }

void PrintRgzText(const std::string& path, const RgzInfo& info, size_t total, const std::optional<GeoReference>& geo)
{
    std::printf("%s\n", path.c_str());
    std::printf("  format         .rgz version %u, level %s, %s mode\n", info.version, LevelName(info.level),
                info.fallback ? "fallback" : "model");
    std::printf("  size           %u x %u pixels\n", info.width, info.height);
    std::printf("  colours        %d\n", info.colourCount);
    std::printf("  bytes          %zu in all\n", total);
    std::printf("    %-20s %zu\n", "header", info.headerBytes);
    if (info.fallback) {
        std::printf("    %-20s %zu (the .rgm file is %llu bytes)\n", "compressed .rgm", info.fallbackBytes,
                    static_cast<unsigned long long>(info.rgmBytes));
    } else {
        std::printf("    %-20s %zu\n", "layer 1", info.layer1Bytes);
        std::printf("    %-20s %zu\n", "layer 2", info.layer2Bytes);
    }
    std::printf("    %-20s %zu (%zu chunks)\n", "chunks", info.chunkBytes, info.chunkCount);
    std::printf("    %-20s 4 (%s)\n", "checksum", info.checksumOk ? "matches" : "does not match");
    if (geo) {
        std::printf("  geotransform   %s\n", GeoTransformText(geo->transform).c_str());
        std::printf("  coordinates    %s\n", geo->wkt.empty() ? "(none)" : CoordinateSystemName(geo->wkt).c_str());
    }
}

void PrintRgzJson(const std::string& path, const RgzInfo& info, size_t total, const std::optional<GeoReference>& geo)
{
    std::printf("{\"file\": %s, \"format\": \"rgz\", \"version\": %u, \"level\": \"%s\", \"mode\": \"%s\", "
                "\"width\": %u, \"height\": %u, \"colorCount\": %d, \"partBytes\": {\"header\": %zu, ",
                JsonString(path).c_str(), info.version, LevelName(info.level), info.fallback ? "fallback" : "model",
                info.width, info.height, info.colourCount, info.headerBytes);
    if (info.fallback)
        std::printf("\"compressedRgm\": %zu, ", info.fallbackBytes);
    else
        std::printf("\"layer1\": %zu, \"layer2\": %zu, ", info.layer1Bytes, info.layer2Bytes);
    std::printf("\"chunks\": %zu, \"checksum\": 4}, ", info.chunkBytes);
    if (info.fallback)
        std::printf("\"rgmBytes\": %llu, ", static_cast<unsigned long long>(info.rgmBytes));
    std::printf("\"chunkCount\": %zu, \"checksumOk\": %s, \"totalBytes\": %zu", info.chunkCount,
                info.checksumOk ? "true" : "false", total);
    if (geo)
        std::printf(", \"geoTransform\": [%s], \"coordinateSystem\": %s", GeoTransformText(geo->transform).c_str(),
                    JsonString(geo->wkt).c_str());
    std::printf("}\n");
}

// Describes an .rgz file from its header and part lengths; a damaged
// checksum is shown, then reported as a failure.
int RunRgzInfo(const std::string& path, bool json)
{
    std::vector<uint8_t> bytes;
    RgzInfo info;
    ForFile(path, [&] {
        bytes = ReadWholeFile(path, Limits{}.maxFileBytes);
        info = DescribeRgz(bytes);
    });
    // The georeferencing is read only from a file whose checksum holds.
    std::optional<GeoReference> geo;
    if (info.checksumOk)
        ForFile(path, [&] { geo = GeoReferenceOfRgz(bytes); });
    if (json)
        PrintRgzJson(path, info, bytes.size(), geo);
    else
        PrintRgzText(path, info, bytes.size(), geo);
    if (!info.checksumOk)
        throw FileProblem(path, "the checksum does not match: the file is damaged");
    return EXIT_OK;
}

}  // namespace

int RunInfo(const std::string& path, bool json, const Limits& limits)
{
    if (ExtensionOf(path) == "rgz")
        return RunRgzInfo(path, json);
    if (ExtensionOf(path) != "rgm")
        throw FileProblem(path, "not an .rgm file");
    CMapRaster raster;
    RgmLayout layout;
    std::optional<GeoReference> geo;
    ForFile(path, [&] {
        ReadNativeFile(path, raster, limits, layout);
        geo = GeoReferenceOf(path);
    });
    if (json)
        PrintJson(path, raster, layout, geo);
    else
        PrintText(path, raster, layout, geo);
    return EXIT_OK;
}
