// Small previews of any picture Karvex reads, for file managers.
#pragma once

#include "codec/MapRaster.h"
#include "doc/TruecolorImport.h"

#include <cstdint>
#include <string>

// The picture at path scaled down to fit in size x size (never scaled up),
// each thumbnail pixel the rounded mean of the pixels it covers. JPEG files
// are decoded only at the smallest scale that still fills the thumbnail;
// every other format is decoded once, in full. Throws as the readers do, and
// std::invalid_argument for a size of 0 or an extension no reader takes.
TruecolorPicture MakeThumbnail(const std::string& path, uint32_t size);

// The scaling itself, from truecolour pixels or from an indexed picture.
TruecolorPicture ScaleDown(const TruecolorPicture& picture, uint32_t size);
TruecolorPicture ScaleDown(const CMapRaster& raster, uint32_t size);
