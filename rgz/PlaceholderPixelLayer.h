// A simple second layer (the picture I given the cleaned picture W) that
// keeps the container working until the real models take its place.
#pragma once

#include "rgz/RangeCoder.h"
#include "rgz/RgzLevel.h"

#include <cstdint>

void EncodePixelLayer(const uint8_t* w, const uint8_t* i, uint32_t width, uint32_t height,
                      const uint32_t* palette, int colourCount, RgzLevel level, RangeEncoder& enc);
void DecodePixelLayer(const uint8_t* w, uint8_t* i, uint32_t width, uint32_t height,
                      const uint32_t* palette, int colourCount, RgzLevel level, RangeDecoder& dec);
