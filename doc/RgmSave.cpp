#include "doc/RgmFile.h"

#include "doc/SafeFile.h"

#include <vector>

void SaveRgm(CMapRaster& raster, const std::string& path)
{
    // The whole file image is built first, so a picture the format refuses
    // leaves any existing file untouched.
    std::vector<uint8_t> image;
    raster.Encode(image);
    WriteFileAtomically(path, image);
}
