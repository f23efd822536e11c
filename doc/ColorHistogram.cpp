#include "doc/ColorHistogram.h"

#include <stdexcept>

void SetTruecolorPixels(CMapRaster&, int32_t, int32_t, const uint32_t*)
{
    throw std::logic_error("palette reduction is not built yet");
}

void ReduceColorCount(CMapRaster&, int)
{
    throw std::logic_error("palette reduction is not built yet");
}
