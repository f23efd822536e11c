// Header, varint lengths, chunks and CRC-32 of .rgz files.
#include "rgz/RgzContainer.h"

#include "codec/ByteOrder.h"
#include "rgz/RgzFormat.h"

#include <zlib.h>

#include <cstring>
#include <string>

namespace {

uint32_t Crc32(const uint8_t* data, size_t size)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    while (size > 0) {
        const uInt step = size > (1u << 30) ? (1u << 30) : uInt(size);
        crc = crc32(crc, data, step);
        data += step;
        size -= step;
    }
    return uint32_t(crc);
}

std::string TagText(uint32_t tag)
{
    std::string s;
    for (int k = 0; k < 4; ++k) {
        const uint8_t c = uint8_t(tag >> (8 * k));
        s += (c >= 0x20 && c < 0x7F) ? char(c) : '?';
    }
    return s;
}

// Reads the file front to back; every read checks what is left.
class Reader {
public:
    Reader(std::span<const uint8_t> bytes, size_t end) : bytes_(bytes), end_(end) {}
    size_t Offset() const { return pos_; }
    size_t Left() const { return end_ - pos_; }

    uint32_t U8(const char* what) { return Take(1, what)[0]; }
    uint32_t U16(const char* what) { return LoadU16(Take(2, what)); }
    uint32_t U32(const char* what) { return LoadU32(Take(4, what)); }
    uint64_t Varint(const char* what)
    {
        const size_t start = pos_;
        uint64_t value = 0;
        for (size_t k = 0; k < RGZ_VARINT_MAX_BYTES; ++k) {
            const uint8_t b = Take(1, what)[0];
            value |= uint64_t(b & 0x7F) << (7 * k);
            if (!(b & 0x80)) {
                if (b == 0 && k > 0)
                    throw RgzFormatError(std::string(what) + " has a superfluous zero byte", start);
                return value;
            }
        }
        throw RgzFormatError(std::string(what) + " is longer than " + std::to_string(RGZ_VARINT_MAX_BYTES) +
                                 " bytes",
                             start);
    }
    RgzPart Part(const char* what)
    {
        const size_t at = pos_;
        const uint64_t length = Varint(what);
        if (length > Left())
            throw RgzFormatError(std::string(what) + " of " + std::to_string(length) + " bytes runs past the end",
                                 at);
        const size_t start = pos_;
        pos_ += size_t(length);
        return {bytes_.subspan(start, size_t(length)), start};
    }

private:
    const uint8_t* Take(size_t count, const char* what)
    {
        if (Left() < count)
            throw RgzFormatError(std::string("the file ends inside ") + what, pos_);
        const uint8_t* p = bytes_.data() + pos_;
        pos_ += count;
        return p;
    }

    std::span<const uint8_t> bytes_;
    size_t end_;
    size_t pos_ = 0;
};

}  // namespace

uint32_t RgzChecksum(std::span<const uint8_t> bytes) { return Crc32(bytes.data(), bytes.size()); }

void AppendVarint(std::vector<uint8_t>& out, uint64_t value)
{
    while (value >= 0x80) {
        out.push_back(uint8_t(value | 0x80));
        value >>= 7;
    }
    out.push_back(uint8_t(value));
}

void CheckChunksToWrite(std::span<const RgzChunk> chunks)
{
    for (const RgzChunk& chunk : chunks) {
        if (!RgzTagIsValid(chunk.tag))
            throw RgzEncodeError("chunk tag \"" + TagText(chunk.tag) + "\" is not four ASCII letters");
        if (!RgzTagIsOptional(chunk.tag))
            throw RgzEncodeError("chunk tag \"" + TagText(chunk.tag) +
                                 "\" is marked as needed, but readers know no such chunk");
    }
}

RgzLayout ReadRgzLayout(std::span<const uint8_t> file, bool requireChecksum)
{
    RgzLayout layout;
    if (file.size() < RGZ_HEADER_BYTES + RGZ_CHECKSUM_BYTES)
        throw RgzFormatError("the file is too short for an .rgz file (" + std::to_string(file.size()) + " bytes)",
                             file.size());
    if (std::memcmp(file.data(), RGZ_SIGNATURE, sizeof RGZ_SIGNATURE) != 0)
        throw RgzFormatError("the file does not start with the .rgz signature", 0);
    layout.checksumOffset = file.size() - RGZ_CHECKSUM_BYTES;
    layout.storedChecksum = LoadU32(file.data() + layout.checksumOffset);
    layout.checksumOk = Crc32(file.data(), layout.checksumOffset) == layout.storedChecksum;
    if (requireChecksum && !layout.checksumOk)
        throw RgzFormatError("the checksum does not match: the file is damaged", layout.checksumOffset);

    Reader in(file, layout.checksumOffset);
    in.U32("the signature");
    layout.version = uint8_t(in.U8("the version"));
    if (layout.version < RGZ_OLDEST_VERSION || layout.version > RGZ_VERSION)
        throw RgzFormatError("format version " + std::to_string(layout.version) + " is not known (this reader knows " +
                                 std::to_string(RGZ_OLDEST_VERSION) + " to " + std::to_string(RGZ_VERSION) + ")",
                             4);
    layout.level = uint8_t(in.U8("the level"));
    if (layout.level > uint8_t(RgzLevel::Best))
        throw RgzFormatError("level " + std::to_string(layout.level) + " is not known", 5);
    layout.mode = uint8_t(in.U8("the mode"));
    if (layout.mode != RGZ_MODE_MODEL && layout.mode != RGZ_MODE_FALLBACK)
        throw RgzFormatError("mode " + std::to_string(layout.mode) + " is not known", 6);
    layout.width = in.U16("the width");
    layout.height = in.U16("the height");
    layout.colourCount = int(in.U8("the colour count"));

    if (layout.mode == RGZ_MODE_MODEL) {
        layout.layer1 = in.Part("layer 1");
        layout.layer2 = in.Part("layer 2");
    } else {
        layout.rgmLength = in.Varint("the .rgm length");
        layout.packedRgm = in.Part("the compressed .rgm file");
    }
    layout.pictureEnd = in.Offset();
    while (in.Left() > 0) {
        const size_t at = in.Offset();
        const uint32_t tag = in.U32("a chunk tag");
        if (!RgzTagIsValid(tag))
            throw RgzFormatError("chunk tag \"" + TagText(tag) + "\" is not four ASCII letters", at);
        layout.chunkTags.push_back(tag);
        layout.chunkStarts.push_back(at);
        layout.chunkData.push_back(in.Part("a chunk"));
    }
    return layout;
}

void AppendPart(std::vector<uint8_t>& out, std::span<const uint8_t> part)
{
    AppendVarint(out, part.size());
    out.insert(out.end(), part.begin(), part.end());
}

std::vector<uint8_t> WriteRgzFile(const RgzHeader& header, std::span<const uint8_t> picture,
                                  std::span<const RgzChunk> chunks)
{
    size_t total = RGZ_HEADER_BYTES + picture.size() + RGZ_CHECKSUM_BYTES;
    for (const RgzChunk& chunk : chunks)
        total += 4 + RGZ_VARINT_MAX_BYTES + chunk.data.size();
    std::vector<uint8_t> out;
    out.reserve(total);
    for (uint8_t b : RGZ_SIGNATURE)
        out.push_back(b);
    out.push_back(RGZ_VERSION);
    out.push_back(uint8_t(header.level));
    out.push_back(header.mode);
    AppendU16(out, header.width);
    AppendU16(out, header.height);
    out.push_back(uint8_t(header.colourCount));
    out.insert(out.end(), picture.begin(), picture.end());
    for (const RgzChunk& chunk : chunks) {
        AppendU32(out, chunk.tag);
        AppendPart(out, chunk.data);
    }
    AppendU32(out, Crc32(out.data(), out.size()));
    return out;
}
