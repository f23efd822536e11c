// The byte layout of an .rgz file around its coded parts: header, lengths,
// chunks and checksum (RgzFormat.h). Knows nothing of the models.
#pragma once

#include "rgz/Rgz.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// A part of the file and where it starts.
struct RgzPart {
    std::span<const uint8_t> bytes;
    size_t offset = 0;
};

struct RgzLayout {
    uint8_t version = 0;
    uint8_t level = 0;
    uint8_t mode = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    int colourCount = 0;
    RgzPart layer1, layer2;  // model mode, lengths excluded
    uint64_t rgmLength = 0;  // fallback mode
    RgzPart packedRgm;       // fallback mode, lengths excluded
    size_t pictureEnd = 0;   // first byte after the picture
    std::vector<RgzPart> chunkData;
    std::vector<uint32_t> chunkTags;
    std::vector<size_t> chunkStarts;  // where each chunk's tag is
    size_t checksumOffset = 0;
    uint32_t storedChecksum = 0;
    bool checksumOk = false;
};

// Reads the file's structure: signature, version, level and mode values,
// every length against the bytes that follow, and the checksum (its verdict
// in checksumOk; a wrong one is refused first when requireChecksum). Throws
// RgzFormatError naming the byte at fault.
RgzLayout ReadRgzLayout(std::span<const uint8_t> file, bool requireChecksum);

// The header, the picture (its lengths included), the chunks and the checksum, together.
struct RgzHeader {
    RgzLevel level = RgzLevel::Fast;
    uint8_t mode = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    int colourCount = 0;
};
std::vector<uint8_t> WriteRgzFile(const RgzHeader& header, std::span<const uint8_t> picture,
                                  std::span<const RgzChunk> chunks);

// CRC-32 as the checksum stores it.
uint32_t RgzChecksum(std::span<const uint8_t> bytes);

// Unsigned LEB128 numbers; a part is its length as one, then its bytes.
void AppendVarint(std::vector<uint8_t>& out, uint64_t value);
void AppendPart(std::vector<uint8_t>& out, std::span<const uint8_t> part);

// Refuses chunks a writer must not store: a tag that is not four letters, or
// one marked as needed (upper-case first letter), which no reader of this
// version knows.
void CheckChunksToWrite(std::span<const RgzChunk> chunks);
