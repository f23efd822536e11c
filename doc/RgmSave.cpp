#include "doc/RgmFile.h"

#include "doc/SafeFile.h"

void SaveRgm(CMapRaster&, const std::string& path)
{
    throw FileError(path + ": .rgm writing is not built yet");
}
