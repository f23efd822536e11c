#include "doc/TruecolorImport.h"

void ImportBmp(const std::string& path, CMapRaster&)
{
    throw ImportError(path + ": bitmap import is not built yet");
}

void ImportJpeg(const std::string& path, CMapRaster&)
{
    throw ImportError(path + ": JPEG import is not built yet");
}
