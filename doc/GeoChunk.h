// Georeferencing inside an .rgz file: an optional chunk the checksum covers.
//
//   tag          "geor" (lower case: readers that do not know it skip it)
//   version      u8        1
//   transform    6 x f64   IEEE-754, little-endian, stored bit for bit
//   wkt length   u32       bytes of the coordinate system that follow
//   wkt          UTF-8 text without NUL bytes (may be empty); nothing after it
#pragma once

#include "doc/GeoReference.h"
#include "rgz/Rgz.h"
#include "rgz/RgzFormat.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

constexpr uint32_t RGZ_GEO_TAG = RgzTag('g', 'e', 'o', 'r');
constexpr uint8_t RGZ_GEO_VERSION = 1;

RgzChunk EncodeGeoChunk(const GeoReference& geo);

// Reads a chunk's data that starts at byte offset of its file. Throws
// RgzFormatError naming the byte at fault.
GeoReference DecodeGeoChunk(std::span<const uint8_t> data, size_t offset = 0);

// The georeferencing of a whole .rgz file (null when it has none), read
// from its structure without decoding the picture. Throws RgzFormatError
// for a damaged file or chunk, or a second georeferencing chunk.
std::optional<GeoReference> GeoReferenceOfRgz(std::span<const uint8_t> rgz);

// The same .rgz file with its georeferencing replaced by geo (removed when
// null), its picture and other chunks as they were.
std::vector<uint8_t> WithGeoReference(std::span<const uint8_t> rgz, const std::optional<GeoReference>& geo);
