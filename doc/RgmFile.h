// Reading and writing whole .rgm files.
#pragma once

#include "codec/Limits.h"
#include "codec/MapRaster.h"
#include "codec/RgmFormat.h"

#include <string>

// Reads the file at path and decodes it into raster. Throws FileError when the
// file cannot be read and RgmFormatError when its bytes are not a valid picture
// or claim a picture above limits. The second form also gives the file's part
// sizes and counts.
void ReadNativeFile(const std::string& path, CMapRaster& raster, const Limits& limits = {});
void ReadNativeFile(const std::string& path, CMapRaster& raster, const Limits& limits, RgmLayout& layout);

// Encodes raster and writes it to path through WriteFileAtomically. Throws
// RgmEncodeError for a picture the format cannot hold and FileError when the
// file cannot be written; nothing is written then.
void SaveRgm(CMapRaster& raster, const std::string& path);
