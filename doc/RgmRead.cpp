#include "doc/RgmFile.h"

#include "doc/SafeFile.h"

void ReadNativeFile(const std::string& path, CMapRaster& raster, const Limits& limits)
{
    RgmLayout unused;
    ReadNativeFile(path, raster, limits, unused);
}

void ReadNativeFile(const std::string& path, CMapRaster& raster, const Limits& limits, RgmLayout& layout)
{
    const std::vector<uint8_t> bytes = ReadWholeFile(path, limits.maxFileBytes);
    raster.Decode(bytes.size(), bytes.data(), layout);
}
