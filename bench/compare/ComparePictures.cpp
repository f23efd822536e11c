#include "bench/compare/ComparePictures.h"

#include "doc/ColorHistogram.h"
#include "doc/PictureFiles.h"
#include "doc/SafeFile.h"
#include "doc/TruecolorImport.h"

#include <png.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

// Every format Karvex reads, and PNG.
bool IsPictureFile(const fs::path& path)
{
    const std::string name = path.filename().string();
    const PictureFormat* format = FormatOfPath(name);
    return (format && format->read) || ExtensionOf(name) == "png";
}

// The PNG's pixels as truecolour, then Karvex's palette reduction.
void ImportPng(const std::string& path, CMapRaster& raster)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        throw ImportError(path + ": " + image.message);
    std::unique_ptr<png_image, decltype(&png_image_free)> guard(&image, png_image_free);
    image.format = PNG_FORMAT_RGB;
    TruecolorPicture picture = AllocatePicture(image.width, image.height);
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        throw ImportError(path + ": " + image.message);
    for (size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = rgb[3 * i] | uint32_t(rgb[3 * i + 1]) << 8 |
                            uint32_t(rgb[3 * i + 2]) << 16;
    SetTruecolorPixels(raster, picture.width, picture.height, picture.pixels.data());
}

}  // namespace

std::vector<std::string> ListPictures(const std::vector<std::string>& paths)
{
    std::vector<std::string> pictures;
    for (const std::string& path : paths) {
        if (!fs::is_directory(path)) {
            pictures.push_back(path);
            continue;
        }
        std::vector<std::string> inFolder;
        for (const fs::directory_entry& entry : fs::directory_iterator(path))
            if (entry.is_regular_file() && IsPictureFile(entry.path()))
                inFolder.push_back(entry.path().string());
        std::sort(inFolder.begin(), inFolder.end());
        pictures.insert(pictures.end(), inFolder.begin(), inFolder.end());
    }
    return pictures;
}

void LoadComparePicture(const std::string& path, ComparePicture& picture)
{
    const fs::path file(path);
    const std::string ext = ExtensionOf(path);
    const bool ownFormat = ext == "rgm" || ext == "rgz";
    picture.name = file.stem().string();
    picture.expectedRgm.clear();
    const fs::path expected = file.parent_path() / "expected" / (picture.name + ".rgm");
    if (!ownFormat && fs::is_regular_file(expected)) {
        picture.expectedRgm = ReadWholeFile(expected.string());
        picture.raster.Decode(picture.expectedRgm.size(), picture.expectedRgm.data());
        picture.source = REFERENCE_SOURCE;
    } else if (ext == "png") {
        ImportPng(path, picture.raster);
        picture.source = "PNG imported";
    } else {
        LoadPicture(path, picture.raster);
        picture.source = ownFormat ? "." + ext + " read" : ext + " imported";
    }
}
