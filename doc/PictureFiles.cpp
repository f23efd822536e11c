#include "doc/PictureFiles.h"

#include "doc/BitmapWriter.h"
#include "doc/RgmFile.h"
#include "doc/TruecolorImport.h"

#include <stdexcept>

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

PictureKind KindOfPath(const std::string& path)
{
    if (path.rfind('.') == std::string::npos)
        return PictureKind::Unknown;
    const std::string ext = ExtensionOf(path);
    if (ext == "rgm")
        return PictureKind::Rgm;
    if (ext == "jpg")
        return PictureKind::Jpg;
    if (ext == "bmp")
        return PictureKind::Bmp;
    return PictureKind::Unknown;
}

void LoadPicture(const std::string& path, CMapRaster& raster)
{
    switch (KindOfPath(path)) {
    case PictureKind::Rgm:
        ReadNativeFile(path, raster);
        return;
    case PictureKind::Jpg:
        ImportJpeg(path, raster);
        return;
    case PictureKind::Bmp:
        ImportBmp(path, raster);
        return;
    case PictureKind::Unknown:
        break;
    }
    throw std::invalid_argument(path + ": unknown picture format (expected .rgm, .jpg or .bmp)");
}

void SavePicture(const std::string& path, CMapRaster& raster)
{
    switch (KindOfPath(path)) {
    case PictureKind::Rgm:
        SaveRgm(raster, path);
        return;
    case PictureKind::Bmp:
        WriteBmp8(raster, path);
        return;
    default:
        break;
    }
    throw std::invalid_argument(path + ": cannot write this format (expected .rgm or .bmp)");
}
