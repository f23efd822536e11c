#include "cli/Commands.h"

#include "codec/MapRaster.h"
#include "doc/PictureFiles.h"
#include "doc/RgmFile.h"

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

std::string JsonString(const std::string& s)
{
    std::string out = "\"";
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += char(c);
        }
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

void PrintText(const std::string& path, const CMapRaster& r, const RgmLayout& l)
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
}

void PrintJson(const std::string& path, const CMapRaster& r, const RgmLayout& l)
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
    std::printf("}, \"totalBytes\": %zu}\n", TotalBytes(l));
}

}  // namespace

int RunInfo(const std::string& path, bool json, const Limits& limits)
{
    if (ExtensionOf(path) != "rgm")
        throw FileProblem(path, "not an .rgm file");
    CMapRaster raster;
    RgmLayout layout;
    ForFile(path, [&] { ReadNativeFile(path, raster, limits, layout); });
    if (json)
        PrintJson(path, raster, layout);
    else
        PrintText(path, raster, layout);
    return EXIT_OK;
}
