#include "doc/RgzFile.h"

#include "doc/SafeFile.h"

#include <vector>

void ReadRgzFile(const std::string& path, CMapRaster& raster, const Limits& limits)
{
    const std::vector<uint8_t> bytes = ReadWholeFile(path, limits.maxFileBytes);
    DecodeRgz(bytes, raster, nullptr, limits.maxPixels);
}

void SaveRgz(CMapRaster& raster, const std::string& path, RgzLevel level)
{
    WriteFileAtomically(path, EncodeRgz(raster, level));
}
