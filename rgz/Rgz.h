// Reading and writing .rgz files (the format is described in RgzFormat.h).
#pragma once

#include "codec/Limits.h"
#include "codec/MapRaster.h"
#include "rgz/RgzError.h"
#include "rgz/RgzLevel.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Optional data after the picture, such as georeferencing. tag is four ASCII
// letters (RgzTag); a lower-case first letter marks a chunk readers may skip.
struct RgzChunk {
    uint32_t tag = 0;
    std::vector<uint8_t> data;
    bool operator==(const RgzChunk&) const = default;
};

// The .rgz file of a picture. Uses the WorkPlane, FlagPlane and PosScratch
// as scratch; the index plane and the palette stay as they are. Throws
// RgzEncodeError for a picture .rgm cannot hold (no pixels, an index that
// names no palette entry) and for a malformed chunk.
std::vector<uint8_t> EncodeRgz(CMapRaster& picture, RgzLevel level, std::span<const RgzChunk> chunks = {});

// The .rgz file of an .rgm file image: model mode when our encoder writes
// exactly these bytes for the picture, fallback mode otherwise. Throws
// RgmFormatError for bytes the .rgm decoder refuses.
std::vector<uint8_t> RgmToRgz(std::span<const uint8_t> rgm, RgzLevel level, std::span<const RgzChunk> chunks = {});

// Reads an .rgz file into picture (replaced only on success). Throws
// RgzFormatError naming the byte at fault, RasterError when the picture
// cannot be held; a picture above the limits is refused before any memory
// is taken for it. Fills chunks, when given, with the chunks after the
// picture (those the reader skips included).
void DecodeRgz(std::span<const uint8_t> rgz, CMapRaster& picture, std::vector<RgzChunk>* chunks = nullptr,
               const Limits& limits = {});

// The .rgm file image an .rgz file holds, byte for byte.
std::vector<uint8_t> RgzToRgm(std::span<const uint8_t> rgz, const Limits& limits = {});

// What an .rgz file holds, read from its header and part lengths without
// decoding the picture.
struct RgzInfo {
    uint8_t version = 0;
    RgzLevel level = RgzLevel::Fast;
    bool fallback = false;
    uint32_t width = 0;
    uint32_t height = 0;
    int colourCount = 0;
    size_t headerBytes = 0;      // fixed header
    size_t layer1Bytes = 0;      // model mode: palette and cleaned picture, length included
    size_t layer2Bytes = 0;      // model mode: the picture given the cleaned one, length included
    size_t fallbackBytes = 0;    // fallback mode: the compressed .rgm, lengths included
    uint64_t rgmBytes = 0;       // fallback mode: the .rgm file's length
    size_t chunkCount = 0;
    size_t chunkBytes = 0;
    bool checksumOk = false;
    uint32_t checksum = 0;       // as stored
};
// Throws RgzFormatError when the structure itself cannot be read; a wrong
// checksum is reported in checksumOk, not thrown.
RgzInfo DescribeRgz(std::span<const uint8_t> rgz);
