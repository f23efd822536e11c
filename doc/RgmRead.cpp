#include "doc/RgmFile.h"

#include "doc/SafeFile.h"

void ReadNativeFile(const std::string& path, CMapRaster& raster, RgmLayout* layout)
{
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    RgmLayout unused;
    raster.Decode(bytes.size(), bytes.data(), layout ? *layout : unused);
}
