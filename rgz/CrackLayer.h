// The cracks of the cleaned picture W: which neighbouring pixels differ.
//
// Each pixel's crack bits say whether it differs from the pixel to its left
// and from the pixel above. They are coded in raster order; at every inner
// lattice vertex a boundary cannot end, so combinations that would leave a
// single crack at the vertex are never coded. While coding, the runs of
// pixels between cracks are joined into regions (4-connected, no crack
// between them; see RunRegions.h): runParents[r] names the first run of run
// r's region, r itself for the run that holds the region's seed.
#pragma once

#include "rgz/RangeCoder.h"
#include "rgz/RgzFormat.h"
#include "rgz/RgzLevel.h"

#include <cstddef>
#include <cstdint>

constexpr uint8_t CRACK_BIT_LEFT = 0x01;
constexpr uint8_t CRACK_BIT_TOP = 0x02;

// Sets every flags byte from W.
void MarkCracks(const uint8_t* w, uint8_t* flags, uint32_t width, uint32_t height);

// Codes the crack bits in flags; fills runParents (room for width * height
// entries) and returns the number of runs. version: the file's format
// version, whose model the cracks follow.
uint32_t EncodeCracks(const uint8_t* flags, uint32_t* runParents, uint32_t width, uint32_t height, RgzLevel level,
                      RangeEncoder& enc, uint8_t version = RGZ_VERSION);
// Reads the crack bits into flags; fills runParents. Throws RgzFormatError
// (streamOffset plus the offset within the stream) as soon as a row runs
// past the stream's end.
uint32_t DecodeCracks(uint8_t* flags, uint32_t* runParents, uint32_t width, uint32_t height, RgzLevel level,
                      RangeDecoder& dec, size_t streamOffset, uint8_t version = RGZ_VERSION);
