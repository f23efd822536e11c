// Colour histogram and palette reduction.
#pragma once

#include "codec/MapRaster.h"

#include <cstdint>

// Most colours an imported picture keeps (index 255 never names a colour).
constexpr int IMPORT_MAX_COLORS = 255;

// Counts the truecolour pixels (width x height words, top row first), reduces
// them to at most IMPORT_MAX_COLORS and fills raster's palette, colorCount,
// size and IndexPlane. Throws RasterError (raster untouched) if the raster
// cannot be sized.
void SetTruecolorPixels(CMapRaster& raster, int32_t width, int32_t height, const uint32_t* pixels);

// The colour-count command: when target is below colorCount, lowers the
// picture to at most target colours in place. Otherwise changes nothing.
void ReduceColorCount(CMapRaster& raster, int target);
