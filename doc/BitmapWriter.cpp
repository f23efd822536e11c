#include "doc/BitmapWriter.h"

#include "doc/SafeFile.h"

std::vector<uint8_t> EncodeBmp8(const CMapRaster&)
{
    throw FileError("bitmap export is not built yet");
}

void WriteBmp8(const CMapRaster& raster, const std::string& path)
{
    WriteFileAtomically(path, EncodeBmp8(raster));
}
