#include "doc/GeoReference.h"

#include "doc/SafeFile.h"
#include "doc/Utf8.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace {

// Sidecar files are small; anything larger is not one.
constexpr size_t MAX_WORLD_FILE_BYTES = 64 * 1024;
constexpr size_t MAX_PRJ_BYTES = 1024 * 1024;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string UpperCase(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

// path without its extension (the dot stays out), and the extension.
std::pair<std::string, std::string> SplitExtension(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {path, {}};
    return {path.substr(0, dot), path.substr(dot + 1)};
}

bool IsFile(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::string ReadText(const std::string& path, size_t maxBytes)
{
    try {
        const std::vector<uint8_t> bytes = ReadWholeFile(path, maxBytes);
        return std::string(bytes.begin(), bytes.end());
    } catch (const FileError& e) {
        throw GeoReferenceError(e.what());
    }
}

}  // namespace

std::string GeoNumberText(double value)
{
    // Plain digits for the sizes maps have (500000, not 5e+05), exponents beyond.
    const double size = std::fabs(value);
    const auto format = size == 0 || (size >= 1e-5 && size < 1e16) ? std::chars_format::fixed
                                                                   : std::chars_format::general;
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, format);
    return std::string(text, result.ptr);
}

std::string GeoTransformText(const GeoTransform& transform)
{
    std::string text;
    for (double value : transform)
        text += (text.empty() ? "" : ", ") + GeoNumberText(value);
    return text;
}

std::string CoordinateSystemName(const std::string& wkt)
{
    const size_t open = wkt.find('"');
    const size_t close = open == std::string::npos ? open : wkt.find('"', open + 1);
    return close == std::string::npos ? std::string() : wkt.substr(open + 1, close - open - 1);
}

std::string WorldFileText(const GeoTransform& t)
{
    // GDAL's order of operations, so that both give the same centre.
    const double centreX = t[1] * 0.5 + t[2] * 0.5 + t[0];
    const double centreY = t[4] * 0.5 + t[5] * 0.5 + t[3];
    std::string text;
    for (double value : {t[1], t[4], t[2], t[5], centreX, centreY})
        text += GeoNumberText(value) + "\n";
    return text;
}

GeoTransform ParseWorldFile(const std::string& text)
{
    double numbers[6];
    size_t pos = 0;
    for (int line = 1; line <= 7; ++line) {
        while (pos < text.size() && IsSpace(text[pos]))
            ++pos;
        if (line == 7) {
            if (pos != text.size())
                throw GeoReferenceError("world file: text after the sixth number");
            break;
        }
        if (pos == text.size())
            throw GeoReferenceError("world file: " + std::to_string(line - 1) + " numbers instead of six");
        size_t end = pos;
        while (end < text.size() && !IsSpace(text[end]))
            ++end;
        // from_chars takes no '+'; world files written elsewhere may have one.
        const size_t start = text[pos] == '+' ? pos + 1 : pos;
        const auto result = std::from_chars(text.data() + start, text.data() + end, numbers[line - 1]);
        if (result.ec != std::errc() || result.ptr != text.data() + end || !std::isfinite(numbers[line - 1]))
            throw GeoReferenceError("world file: line " + std::to_string(line) + " is not a number");
        pos = end;
    }
    const auto [a, d, b, e, c, f] = numbers;
    // GDAL's order of operations again (the world file names pixel centres).
    return {c - 0.5 * a - 0.5 * b, a, b, f - 0.5 * d - 0.5 * e, d, e};
}

std::vector<std::string> WorldFileCandidates(const std::string& picturePath)
{
    const auto [base, ext] = SplitExtension(picturePath);
    std::vector<std::string> lower;
    if (!ext.empty()) {
        lower.push_back(std::string{ext.front(), ext.back(), 'w'});
        lower.push_back(ext + "w");
    }
    lower.push_back("wld");
    std::vector<std::string> names;
    for (const std::string& e : lower) {
        std::string name = e;
        for (char& ch : name)
            if (ch >= 'A' && ch <= 'Z')
                ch = char(ch - 'A' + 'a');
        names.push_back(base + "." + name);
        names.push_back(base + "." + UpperCase(name));
    }
    return names;
}

std::string WorldFilePath(const std::string& picturePath) { return WorldFileCandidates(picturePath).front(); }

std::string PrjPath(const std::string& picturePath) { return SplitExtension(picturePath).first + ".prj"; }

std::optional<GeoReference> ReadSidecarGeoReference(const std::string& picturePath)
{
    for (const std::string& world : WorldFileCandidates(picturePath)) {
        if (!IsFile(world))
            continue;
        GeoReference geo;
        try {
            geo.transform = ParseWorldFile(ReadText(world, MAX_WORLD_FILE_BYTES));
        } catch (const GeoReferenceError& e) {
            throw GeoReferenceError(world + ": " + e.what());
        }
        const std::string prj = PrjPath(picturePath);
        const std::string prjUpper = SplitExtension(picturePath).first + ".PRJ";
        if (IsFile(prj))
            geo.wkt = ReadText(prj, MAX_PRJ_BYTES);
        else if (IsFile(prjUpper))
            geo.wkt = ReadText(prjUpper, MAX_PRJ_BYTES);
        while (!geo.wkt.empty() && IsSpace(geo.wkt.back()))
            geo.wkt.pop_back();
        if (const size_t bad = FirstInvalidUtf8(geo.wkt); bad != geo.wkt.size())
            throw GeoReferenceError(PrjPath(picturePath) + ": not UTF-8 text at byte " + std::to_string(bad));
        return geo;
    }
    return std::nullopt;
}

void WriteSidecarGeoReference(const std::string& picturePath, const GeoReference& geo)
{
    const std::string world = WorldFileText(geo.transform);
    WriteFileAtomically(WorldFilePath(picturePath), reinterpret_cast<const uint8_t*>(world.data()), world.size());
    if (!geo.wkt.empty()) {
        const std::string prj = geo.wkt + "\n";
        WriteFileAtomically(PrjPath(picturePath), reinterpret_cast<const uint8_t*>(prj.data()), prj.size());
    }
}
