// Reading and writing whole .rgz files.
#pragma once

#include "codec/Limits.h"
#include "codec/MapRaster.h"
#include "rgz/Rgz.h"

#include <string>

// Reads the file at path and decodes it into raster. Throws FileError when the
// file cannot be read and RgzFormatError when its bytes are not a valid .rgz
// file or claim a picture above limits.
void ReadRgzFile(const std::string& path, CMapRaster& raster, const Limits& limits = {});

// Encodes raster at level and writes it to path through WriteFileAtomically.
// Throws RgzEncodeError for a picture the format cannot hold and FileError
// when the file cannot be written; nothing is written then.
void SaveRgz(CMapRaster& raster, const std::string& path, RgzLevel level = RgzLevel::Fast);
