#include "doc/PictureFiles.h"

#include "doc/BitmapWriter.h"
#include "doc/RgmFile.h"
#include "doc/RgzFile.h"
#include "doc/TruecolorImport.h"

#include <stdexcept>

namespace {

void WriteRgm(const std::string& path, CMapRaster& raster) { SaveRgm(raster, path); }
void WriteBmp(const std::string& path, CMapRaster& raster) { WriteBmp8(raster, path); }
void WriteRgz(const std::string& path, CMapRaster& raster) { SaveRgz(raster, path); }

const PictureFormat FORMATS[] = {
    {"rgm", {"rgm"}, ReadNativeFile, WriteRgm, "*.rgm"},
    {"jpg", {"jpg"}, ImportJpeg, nullptr, "*.jpg"},
    {"bmp", {"bmp"}, ImportBmp, WriteBmp, "*.bmp"},
    {"rgz", {"rgz"}, ReadRgzFile, WriteRgz, "*.rgz"},
};

bool Usable(const PictureFormat& format, FormatUse use)
{
    return use == FormatUse::Read ? format.read != nullptr : format.write != nullptr;
}

std::string UpperCase(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

}  // namespace

std::span<const PictureFormat> PictureFormats() { return FORMATS; }

std::string ExtensionOf(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return {};
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return ext;
}

const PictureFormat* FormatOfExtension(const std::string& lowerCaseExtension)
{
    if (lowerCaseExtension.empty())
        return nullptr;
    for (const PictureFormat& format : FORMATS)
        for (const std::string& ext : format.extensions)
            if (ext == lowerCaseExtension)
                return &format;
    return nullptr;
}

const PictureFormat* FormatOfPath(const std::string& path) { return FormatOfExtension(ExtensionOf(path)); }

std::string ExtensionList(FormatUse use)
{
    std::vector<std::string> names;
    for (const PictureFormat& format : FORMATS)
        if (Usable(format, use))
            for (const std::string& ext : format.extensions)
                names.push_back("." + ext);
    std::string list;
    for (size_t i = 0; i < names.size(); ++i)
        list += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return list;
}

std::string DialogFilter(FormatUse use)
{
    std::string name, lower, upper;
    for (const PictureFormat& format : FORMATS) {
        if (!Usable(format, use))
            continue;
        name += (name.empty() ? "" : ";") + std::string(format.filter);
        for (const std::string& ext : format.extensions) {
            lower += (lower.empty() ? "*." : " *.") + ext;
            upper += " *." + UpperCase(ext);
        }
    }
    return name + " (" + lower + upper + ")";
}

const std::string& DefaultSaveExtension()
{
    static const std::string first = [] {
        for (const PictureFormat& format : FORMATS)
            if (format.write)
                return format.extensions.front();
        return std::string();
    }();
    return first;
}

void LoadPicture(const std::string& path, CMapRaster& raster, const Limits& limits)
{
    const PictureFormat* format = FormatOfPath(path);
    if (!format || !format->read)
        throw std::invalid_argument(path + ": unknown picture format (expected " +
                                    ExtensionList(FormatUse::Read) + ")");
    format->read(path, raster, limits);
}

void SavePicture(const std::string& path, CMapRaster& raster)
{
    const PictureFormat* format = FormatOfPath(path);
    if (!format || !format->write)
        throw std::invalid_argument(path + ": cannot write this format (expected " +
                                    ExtensionList(FormatUse::Write) + ")");
    format->write(path, raster);
}
