#include "doc/RgmFile.h"

#include "doc/SafeFile.h"

void ReadNativeFile(const std::string& path, CMapRaster&)
{
    throw FileError(path + ": .rgm reading is not built yet");
}
