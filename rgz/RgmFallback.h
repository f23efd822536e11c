// Fallback mode: .rgm bytes that our encoder would not write for their
// picture, kept as they are under a raw LZMA2 stream (liblzma).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

std::vector<uint8_t> PackRgm(std::span<const uint8_t> rgm);

// Unpacks exactly rgmLength bytes from packed, which must hold nothing more.
// Throws RgzFormatError naming packedOffset (where packed starts in the file).
std::vector<uint8_t> UnpackRgm(std::span<const uint8_t> packed, uint64_t rgmLength, size_t packedOffset);
