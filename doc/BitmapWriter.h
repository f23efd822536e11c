// Uncompressed 8-bit Windows bitmap export of an indexed picture.
#pragma once

#include "codec/MapRaster.h"

#include <string>
#include <vector>

// The whole file image: 1078-byte headers and colour table, then the rows bottom first.
std::vector<uint8_t> EncodeBmp8(const CMapRaster& raster);

// Writes EncodeBmp8's bytes to path through WriteFileAtomically; throws FileError.
void WriteBmp8(const CMapRaster& raster, const std::string& path);
