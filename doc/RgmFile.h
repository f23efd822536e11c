// Reading and writing whole .rgm files.
#pragma once

#include "codec/MapRaster.h"

#include <string>

// Reads the file at path and decodes it into raster. Throws FileError when the
// file cannot be read and RgmFormatError when its bytes are not a valid picture.
void ReadNativeFile(const std::string& path, CMapRaster& raster);

// Encodes raster and writes it to path through WriteFileAtomically. Throws
// RgmEncodeError for a picture the format cannot hold and FileError when the
// file cannot be written; nothing is written then.
void SaveRgm(CMapRaster& raster, const std::string& path);
