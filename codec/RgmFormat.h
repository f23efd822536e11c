// The .rgm file format, described once for the encoder and the decoder.
//
// A file is six parts back to back, little-endian, no signature:
//   1 header        width u16, height u16, colour count N u8, N x (red, green, blue)
//   2 region seeds  one record per flat region of the simplified picture, then SEED_END
//   3 chain table   chain count u32, then one PackedPos u32 start vertex per chain
//   4 crack codes   2-bit codes of all chains, four to a byte from bit 0 up
//   5 small seeds   one record per small region, then SEED_END
//   6 tree stream   per small region, a spanning tree as 3-bit groups, byte-aligned
// A seed record is colour u8, x, y: one byte each (short form) or u16 each
// (long form, when width or height exceeds SHORT_FORM_MAX).
#pragma once

#include "codec/KarvexError.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

constexpr uint8_t SEED_END = 0xFF;
constexpr uint32_t SHORT_FORM_MAX = 256;
constexpr size_t HEADER_FIXED_BYTES = 5;

constexpr size_t SeedRecordSize(uint32_t width, uint32_t height)
{
    return (width > SHORT_FORM_MAX || height > SHORT_FORM_MAX) ? 5 : 3;
}

// Direction of a tree link. The reverse of d is d ^ 1.
enum TreeDir : uint8_t {
    TREE_L = 0,
    TREE_R = 1,
    TREE_U = 2,
    TREE_D = 3,
    TREE_UR = 4,
    TREE_DL = 5,
    TREE_DR = 6,
    TREE_UL = 7,
};
constexpr int TREE_DX[8] = {-1, 1, 0, 0, 1, -1, 1, -1};
constexpr int TREE_DY[8] = {0, 0, -1, 1, -1, 1, 1, -1};

// Row p re-expresses a child set relative to parent direction p; each row is
// its own inverse and maps p to 0.
constexpr uint8_t TURN_TABLE[8][8] = {
    {0, 1, 2, 3, 4, 5, 6, 7},
    {1, 0, 2, 3, 7, 6, 5, 4},
    {2, 3, 0, 1, 5, 4, 6, 7},
    {3, 2, 1, 0, 4, 5, 7, 6},
    {4, 5, 7, 3, 0, 1, 6, 2},
    {5, 1, 2, 7, 4, 0, 6, 3},
    {6, 7, 2, 4, 3, 5, 0, 1},
    {7, 1, 2, 3, 4, 5, 6, 0},
};

// Node codes: v = coded set >> 1. v < 7 is one group; these six values take
// the two groups 7, t (t = index here); any other v takes 7, 7, v & 7, v >> 3.
constexpr uint8_t NODE_ESCAPE = 7;
constexpr uint8_t NODE_TWO_GROUP_VALUES[6] = {7, 8, 32, 12, 34, 40};

// Re-expresses a child set through row p of TURN_TABLE.
constexpr uint8_t TurnSet(uint8_t set, unsigned p)
{
    if (p == 0 || set == 0)
        return set;
    uint8_t out = 0;
    for (unsigned d = 0; d < 8; ++d)
        if (set & (1u << d))
            out |= uint8_t(1u << TURN_TABLE[p][d]);
    return out;
}

// TurnSet of every row and child set, for a lookup per tree node.
struct TurnedSetTable {
    uint8_t sets[8][256];
    constexpr TurnedSetTable() : sets{}
    {
        for (unsigned p = 0; p < 8; ++p)
            for (unsigned set = 0; set < 256; ++set)
                sets[p][set] = TurnSet(uint8_t(set), p);
    }
};
inline constexpr TurnedSetTable TURNED_SETS;

// The bytes of one .rgm file image; positions in it are reported as offsets.
struct RgmSpan {
    const uint8_t* begin;
    const uint8_t* end;
    size_t Offset(const uint8_t* p) const { return size_t(p - begin); }
};

// How a decoded .rgm file is laid out: the byte size of each of its six
// parts and what they hold.
struct RgmLayout {
    enum Part { HEADER, REGION_SEEDS, CHAIN_TABLE, CRACK_CODES, SMALL_SEEDS, TREES, PART_COUNT };
    size_t partBytes[PART_COUNT] = {};
    uint64_t regions = 0;
    uint32_t chains = 0;
    uint64_t crackCodes = 0;  // end codes included
    uint64_t smallRegions = 0;
};

// Reads the 3-bit groups of one tree chunk, low bit first, never at or past
// end. Offset 8 means the current byte is used up; pos names the byte that
// holds the last bit read.
class GroupReader {
public:
    GroupReader(const uint8_t* chunk, const uint8_t* end) : pos_(chunk), end_(end) {}
    // Stores the next group (0 to 7) and advances; false when the bytes run out.
    bool Read(unsigned& group)
    {
        if (offset_ <= 5) {
            if (pos_ >= end_)
                return false;
            group = (*pos_ >> offset_) & 7u;
            offset_ += 3;
            return true;
        }
        if (end_ - pos_ < 2)
            return false;
        const unsigned low = *pos_ >> offset_;
        ++pos_;
        offset_ = offset_ + 3 - 8;
        group = (low | unsigned(*pos_) << (3 - offset_)) & 7u;
        return true;
    }
    // The first byte after the last bit read (once a group has been read).
    const uint8_t* Next() const { return pos_ + 1; }
    const uint8_t* Position() const { return pos_; }

private:
    const uint8_t* pos_;
    const uint8_t* end_;
    unsigned offset_ = 0;
};

// Raised by the decoder for a file it cannot read; offset is the byte at fault.
class RgmFormatError : public KarvexError {
public:
    RgmFormatError(const std::string& what, size_t offset, ErrorCode code = ErrorCode::Malformed)
        : KarvexError(what + " at byte " + std::to_string(offset), code), offset_(offset) {}
    size_t offset() const { return offset_; }

private:
    size_t offset_;
};

// Raised by the encoder for a picture the format cannot hold.
class RgmEncodeError : public KarvexError {
public:
    explicit RgmEncodeError(const std::string& what) : KarvexError(what, ErrorCode::CannotEncode) {}
};
