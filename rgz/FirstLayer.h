// The first layer of a model-coded .rgz picture: the palette, then the
// cleaned picture W as its cracks and the colour of each of its regions.
#pragma once

#include "codec/MapRaster.h"
#include "rgz/RangeCoder.h"
#include "rgz/RgzFormat.h"
#include "rgz/RgzLevel.h"

#include <cstddef>

// Codes the palette and the WorkPlane (W). Uses the FlagPlane and PosScratch
// and leaves the FlagPlane all 0.
void EncodeFirstLayer(const CMapRaster& raster, RgzLevel level, RangeEncoder& enc, uint8_t version = RGZ_VERSION);

// Reads the palette and W into a raster already sized and given its colour
// count. Throws RgzFormatError naming streamOffset plus the decoder's offset
// for cracks and colours that contradict each other or leave a region no
// colour. Leaves W's crack bits (CRACK_BIT_*) in the FlagPlane. version: the
// file's format version.
void DecodeFirstLayer(CMapRaster& raster, RgzLevel level, RangeDecoder& dec, size_t streamOffset,
                      uint8_t version = RGZ_VERSION);
