#include "bench/compare/ComparePictures.h"

#include "doc/PictureFiles.h"
#include "doc/SafeFile.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Every format Karvex reads.
bool IsPictureFile(const fs::path& path)
{
    const PictureFormat* format = FormatOfPath(path.filename().string());
    return format && format->read;
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
    } else {
        LoadPicture(path, picture.raster);
        picture.source = ownFormat ? "." + ext + " read" : ext + " imported";
    }
}
