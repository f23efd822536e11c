// The .rgm decoder: header, region seeds and chains give the simplified
// picture, then each small region's tree paints the pixels it changed back.
//
// Nothing in a file is trusted. Every read is checked against the file's end,
// every position against the picture, and every fault is refused with an
// RgmFormatError that names the byte at fault.
#include "codec/ByteOrder.h"
#include "codec/MapRaster.h"
#include "codec/PixelWalk.h"
#include "codec/RgmFormat.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The tree stream as one run of bits, low bit first; each tree's chunk
// starts on a byte boundary. The bits not yet read wait in a word, so that
// reading a node code is a shift, not a load.
class TreeBits {
public:
    TreeBits(const uint8_t* first, const uint8_t* end) : first_(first), next_(first), end_(end) {}
    // The next twelve bits, zeros past the end.
    unsigned Peek12()
    {
        if (count_ < 12)
            Refill();
        return unsigned(word_) & 0xFFFu;
    }
    // Advances by count (at most 12) bits after Peek12; false (not
    // advancing) when fewer remain.
    bool Skip(unsigned count)
    {
        if (count_ < count)
            return false;
        word_ >>= count;
        count_ -= count;
        return true;
    }
    // Moves to the next byte boundary: the start of the next chunk.
    void EndChunk()
    {
        word_ >>= count_ % 8;
        count_ -= count_ % 8;
    }
    // The byte the next chunk starts at (on a byte boundary).
    const uint8_t* Chunk() const { return next_ - count_ / 8; }
    // The byte that holds the last bit read (once one has been read).
    const uint8_t* Position() const { return first_ + (BitsRead() - 1) / 8; }

private:
    uint64_t BitsRead() const { return uint64_t(next_ - first_) * 8 - count_; }
    // Tops the word up to at least 56 bits, or to all that remain.
    void Refill()
    {
        if (end_ - next_ >= 8) {
            word_ |= Load8(next_) << count_;
            next_ += (63 - count_) / 8;
            count_ |= 56;
            return;
        }
        for (; count_ <= 56 && next_ != end_; count_ += 8)
            word_ |= uint64_t(*next_++) << count_;
    }

    const uint8_t* first_;
    const uint8_t* next_;  // the first byte not yet in word_
    const uint8_t* end_;
    uint64_t word_ = 0;    // count_ bits, the next one lowest
    unsigned count_ = 0;
};

// Node codes by the twelve bits they start with: the coded child set above
// the code's length in bits (3, 6 or 12) in the low four bits. One lookup
// stands for the one, two or four groups a code takes.
struct NodeCodeTable {
    uint16_t entry[4096];
    constexpr NodeCodeTable() : entry{}
    {
        for (unsigned bits = 0; bits < 4096; ++bits) {
            const unsigned g = bits & 7, t = bits >> 3 & 7;
            unsigned v = g, length = 3;
            if (g == NODE_ESCAPE) {
                length = t < 6 ? 6 : 12;
                v = t < 6 ? NODE_TWO_GROUP_VALUES[t] : (bits >> 6 & 7) | (bits >> 9 & 7) << 3;
            }
            entry[bits] = uint16_t(v << 1 << 4 | length);
        }
    }
};
inline constexpr NodeCodeTable NODE_CODES;

[[noreturn]] void Fail(const std::string& what, const RgmSpan& file, const uint8_t* at,
                       ErrorCode code = ErrorCode::Malformed)
{
    throw RgmFormatError(what, file.Offset(at), code);
}

[[noreturn]] void FailEndsEarly(const std::string& inside, const RgmSpan& file)
{
    Fail("file ends early, inside " + inside, file, file.end, ErrorCode::Truncated);
}

std::string PixelText(uint32_t x, uint32_t y)
{
    std::string text = "(";
    text += std::to_string(x);
    text += ", ";
    text += std::to_string(y);
    text += ')';
    return text;
}

// A seed list in the file: its records, then the end byte.
struct SeedList {
    const uint8_t* first;
    const uint8_t* endByte;
    size_t recordSize;
    uint64_t count;
};

PackedPos SeedOf(const uint8_t* record, size_t recordSize)
{
    if (recordSize == 3)
        return PackPos(record[1], record[2]);
    return PackPos(LoadU16(record + 1), LoadU16(record + 3));
}

// Walks the seed list that begins at first, checking that every record lies
// inside the file, has a colour below the colour count and a seed pixel
// inside the picture.
SeedList WalkSeedList(const RgmSpan& file, const uint8_t* first, size_t recordSize, uint32_t width,
                      uint32_t height, uint32_t colourCount, const char* listName)
{
    SeedList list{first, first, recordSize, 0};
    const uint8_t* p = first;
    for (;; p += recordSize, ++list.count) {
        if (p >= file.end)
            FailEndsEarly(std::string("the ") + listName, file);
        if (*p == SEED_END)
            break;
        // The record's name is only spelled out when it is at fault.
        auto record = [&] { return "record " + std::to_string(list.count) + " of the " + listName; };
        if (size_t(file.end - p) < recordSize)
            FailEndsEarly(record(), file);
        if (*p >= colourCount)
            Fail(record() + " has colour index " + std::to_string(*p) +
                     ", not below the colour count " + std::to_string(colourCount),
                 file, p);
        const PackedPos seed = SeedOf(p, recordSize);
        if (PosX(seed) >= width || PosY(seed) >= height)
            Fail(record() + " has its seed " + PixelText(PosX(seed), PosY(seed)) + " outside the " +
                     std::to_string(width) + " x " + std::to_string(height) + " picture",
                 file, p + 1);
    }
    list.endByte = p;
    return list;
}

// Says why a chain move from vertex (x, y) with code c cannot be made.
[[noreturn]] void FailChainMove(uint32_t chain, unsigned c, uint32_t x, uint32_t y, uint32_t width,
                                uint32_t height, const RgmSpan& file, const uint8_t* at)
{
    int64_t nx = x, ny = y;
    nx += c == CRACK_RIGHT ? 1 : c == CRACK_LEFT ? -1 : 0;
    ny += c == CRACK_DOWN ? 1 : c == CRACK_UP ? -1 : 0;
    const bool off = nx < 0 || ny < 0 || nx > int64_t(width) || ny > int64_t(height) ||
                     x > width || y > height;
    Fail("chain " + std::to_string(chain) +
             (off ? " walks off the picture" : " walks along the picture's border") +
             " from vertex " + PixelText(x, y),
         file, at);
}

std::string TreeName(uint64_t tree) { return "the tree of small region " + std::to_string(tree); }

[[noreturn, gnu::cold, gnu::noinline]] void FailTreeEndsEarly(uint64_t tree, const RgmSpan& file)
{
    FailEndsEarly(TreeName(tree), file);
}

[[noreturn, gnu::cold, gnu::noinline]] void FailTreeLeaves(uint64_t tree, PackedPos from, const RgmSpan& file,
                                                           const uint8_t* at)
{
    Fail(TreeName(tree) + " leaves the picture at " + PixelText(PosX(from), PosY(from)), file, at);
}

[[noreturn, gnu::cold, gnu::noinline]] void FailTreeTakesAgain(uint64_t tree, PackedPos pixel, const RgmSpan& file,
                                                               const uint8_t* at)
{
    Fail(TreeName(tree) + " takes pixel " + PixelText(PosX(pixel), PosY(pixel)) + " a second time", file, at);
}

// Reads the small regions' trees, one chunk per seed of the list starting at
// trees, and paints their pixels; returns the byte after the last chunk.
// Each tree is decoded breadth-first in PosScratch. The WorkPlane holds a
// bitmap of the pixels trees have taken (a pixel may belong to one tree
// only, which also bounds the queue), then the direction from each queued
// pixel but the seed back to its parent, two to a byte. The bitmap is an
// eighth of a plane and stays in cache where a byte per pixel would not.
const uint8_t* ReadTrees(CMapRaster& raster, const SeedList& small, const uint8_t* trees,
                         const RgmSpan& file)
{
    const uint32_t w = raster.width, h = raster.height;
    const size_t n = raster.PixelCount();
    uint8_t* const taken = raster.WorkPlane();
    const size_t takenBytes = (n + 7) / 8;
    std::memset(taken, 0, takenBytes);
    // (n + 7) / 8 + n / 2 bytes are at most n: both fit in the plane.
    uint8_t* const parents = taken + takenBytes;
    uint8_t* const index = raster.IndexPlane();
    PackedPos* const queue = raster.PosScratch();
    const size_t recordSize = small.recordSize;
    // A step in each direction, in the planes and in a PackedPos (wrapping
    // round, which is exact for a pixel not on the border).
    ptrdiff_t offset[8];
    PackedPos step[8];
    for (unsigned d = 0; d < 8; ++d) {
        offset[d] = ptrdiff_t(TREE_DY[d]) * ptrdiff_t(w) + TREE_DX[d];
        step[d] = uint32_t(TREE_DY[d]) * 0x10000u + uint32_t(TREE_DX[d]);
    }
    auto take = [taken](size_t at) {
        const bool was = unsigned(taken[at / 8]) >> (at % 8) & 1u;
        taken[at / 8] = uint8_t(taken[at / 8] | 1u << (at % 8));
        return was;
    };
    TreeBits bits(trees, file.end);
    uint64_t tree = 0;
    for (const uint8_t* r = small.first; r != small.endByte; r += recordSize, ++tree) {
        const uint8_t colour = *r;
        const PackedPos seed = SeedOf(r, recordSize);
        const size_t seedAt = size_t(PosY(seed)) * w + PosX(seed);
        if (take(seedAt))
            FailTreeTakesAgain(tree, seed, file, bits.Chunk());
        index[seedAt] = colour;
        // Most trees of scanned maps are their seed alone: code 0 first.
        if (bits.Peek12() % 8 == 0 && bits.Skip(3)) {
            bits.EndChunk();
            continue;
        }
        queue[0] = seed;
        size_t head = 0, tail = 1;
        for (; head != tail; ++head) {
            const PackedPos q = queue[head];
            const uint32_t x = PosX(q), y = PosY(q);
            const unsigned code = NODE_CODES.entry[bits.Peek12()];
            if (!bits.Skip(code & 15u))
                FailTreeEndsEarly(tree, file);
            // Queue entry k > 0 keeps its parent in nibble k - 1; the seed has none (0).
            const unsigned parent = head == 0 ? 0 : unsigned(parents[(head - 1) / 2]) >> ((head - 1) % 2 * 4) & 7u;
            unsigned children = TURNED_SETS.sets[parent][code >> 4];
            const bool border = x - 1 >= w - 2 || y - 1 >= h - 2;
            const size_t nodeAt = size_t(y) * w + x;
            for (; children != 0; children &= children - 1) {
                const unsigned d = unsigned(__builtin_ctz(children));
                if (border && (x + uint32_t(TREE_DX[d]) >= w || y + uint32_t(TREE_DY[d]) >= h))
                    FailTreeLeaves(tree, q, file, bits.Position());
                const size_t at = nodeAt + size_t(offset[d]);
                const PackedPos child = q + step[d];
                if (take(at))
                    FailTreeTakesAgain(tree, child, file, bits.Position());
                index[at] = colour;
                queue[tail] = child;
                uint8_t& pair = parents[(tail - 1) / 2];
                pair = tail % 2 == 1 ? uint8_t(d ^ 1) : uint8_t(pair | (d ^ 1) << 4);
                ++tail;
            }
        }
        bits.EndChunk();
    }
    return bits.Chunk();
}

}  // namespace

void CMapRaster::Decode(size_t length, const uint8_t* bytes, const Limits& limits)
{
    RgmLayout layout;
    Decode(length, bytes, layout, limits);
}

void CMapRaster::Decode(size_t length, const uint8_t* bytes, RgmLayout& layout, const Limits& limits)
{
    const RgmSpan file{bytes, bytes + length};

    // Header, region seeds and chain table are checked before the raster changes.
    if (length < HEADER_FIXED_BYTES)
        FailEndsEarly("the header", file);
    const uint32_t w = LoadU16(bytes);
    const uint32_t h = LoadU16(bytes + 2);
    if (w == 0)
        Fail("the width is 0", file, bytes);
    if (h == 0)
        Fail("the height is 0", file, bytes + 2);
    // A few bytes can claim a huge flat picture: refuse it before Resize.
    const std::string size = std::to_string(w) + " x " + std::to_string(h);
    if (w > limits.maxSide || h > limits.maxSide)
        Fail("picture size " + size + " exceeds the largest side of " + std::to_string(limits.maxSide), file,
             bytes, ErrorCode::TooLarge);
    if (uint64_t(w) * h > limits.maxPixels)
        Fail("picture size " + size + " exceeds the limit of " + PixelLimitText(limits.maxPixels),
             file, bytes, ErrorCode::TooLarge);
    const uint32_t colours = bytes[4];
    if (length - HEADER_FIXED_BYTES < 3 * size_t(colours))
        FailEndsEarly("the palette", file);
    const uint8_t* regionSeeds = bytes + HEADER_FIXED_BYTES + 3 * size_t(colours);
    const size_t recordSize = SeedRecordSize(w, h);
    const SeedList regions = WalkSeedList(file, regionSeeds, recordSize, w, h, colours,
                                          "region seed list");

    const uint8_t* chainTable = regions.endByte + 1;
    if (file.end - chainTable < 4)
        FailEndsEarly("the chain count", file);
    const uint32_t chainCount = LoadU32(chainTable);
    const uint8_t* starts = chainTable + 4;
    if (uint64_t(file.end - starts) / 4 < chainCount)
        FailEndsEarly("the chain table of " + std::to_string(chainCount) + " chains", file);
    const uint8_t* codes = starts + 4 * size_t(chainCount);

    Resize(w, h);
    colorCount = int32_t(colours);
    for (uint32_t i = 0; i < colours; ++i) {
        const uint8_t* rgb = bytes + HEADER_FIXED_BYTES + 3 * size_t(i);
        palette[i] = uint32_t(rgb[0]) | uint32_t(rgb[1]) << 8 | uint32_t(rgb[2]) << 16;
    }

    // First layer: boundaries, then one fill per region.
    const size_t n = PixelCount();
    std::memset(FlagPlane(), 0, n);
    uint64_t codesRead = 0;
    const uint8_t* smallSeeds = ReadChains(chainCount, starts, codes, file, codesRead);
    std::vector<PackedPos> seeds(regions.count);
    std::vector<uint8_t> seedColours(regions.count);
    for (size_t k = 0; k < regions.count; ++k) {
        seeds[k] = SeedOf(regions.first + k * recordSize, recordSize);
        seedColours[k] = regions.first[k * recordSize];
    }
    const size_t hole = PaintRegions(seeds.data(), seedColours.data(), seeds.size());
    if (hole != n)
        Fail("pixel " + PixelText(uint32_t(hole % w), uint32_t(hole / w)) +
                 " lies in no region of the region seed list",
             file, regions.endByte);

    // Second layer: the small regions' trees.
    const SeedList small = WalkSeedList(file, smallSeeds, recordSize, w, h, colours,
                                        "small-region seed list");
    const uint8_t* trees = small.endByte + 1;
    const uint8_t* chunk = ReadTrees(*this, small, trees, file);
    if (chunk != file.end)
        Fail(std::to_string(file.end - chunk) + " bytes follow the last tree", file, chunk);

    layout.partBytes[RgmLayout::HEADER] = size_t(regionSeeds - bytes);
    layout.partBytes[RgmLayout::REGION_SEEDS] = size_t(chainTable - regionSeeds);
    layout.partBytes[RgmLayout::CHAIN_TABLE] = size_t(codes - chainTable);
    layout.partBytes[RgmLayout::CRACK_CODES] = size_t(smallSeeds - codes);
    layout.partBytes[RgmLayout::SMALL_SEEDS] = size_t(trees - smallSeeds);
    layout.partBytes[RgmLayout::TREES] = size_t(file.end - trees);
    layout.regions = regions.count;
    layout.chains = chainCount;
    layout.crackCodes = codesRead;
    layout.smallRegions = small.count;
}

const uint8_t* CMapRaster::ReadChains(uint32_t count, const uint8_t* starts, const uint8_t* codes,
                                      const RgmSpan& file, uint64_t& codesRead)
{
    codesRead = 0;
    if (count == 0)
        return codes;
    const uint32_t w = width, h = height;
    uint8_t* const flags = FlagPlane();
    const uint8_t* p = codes;  // the byte holding the next code
    unsigned shift = 0;        // where in *p the next code lies
    unsigned byte = 0;
    uint64_t total = 0;
    for (uint32_t k = 0; k < count; ++k) {
        const PackedPos start = LoadU32(starts + 4 * size_t(k));
        uint32_t x = PosX(start), y = PosY(start);
        if (x > w || y > h)
            Fail("chain " + std::to_string(k) + " starts at " + PixelText(x, y) +
                     ", outside the picture",
                 file, starts + 4 * size_t(k));
        size_t at = size_t(y) * w + x;  // pixel whose top-left corner is (x, y)
        unsigned previous = 4;          // no previous code: 4 ^ c is never 1
        for (;;) {
            if (shift == 0) {
                if (p >= file.end)
                    FailEndsEarly("chain " + std::to_string(k), file);
                byte = *p;
            }
            const unsigned c = (byte >> shift) & 3u;
            const uint8_t* codeByte = p;
            shift += 2;
            if (shift == 8) {
                shift = 0;
                ++p;
            }
            ++total;
            if ((c ^ previous) == 1)
                break;
            // Unsigned compares: x - 1 and y - 1 wrap round at 0 and fail.
            switch (c) {
            case CRACK_RIGHT:
                if (y - 1 >= h - 1 || x >= w)
                    FailChainMove(k, c, x, y, w, h, file, codeByte);
                flags[at] |= EDGE_TOP;
                flags[at - w] |= EDGE_BOTTOM;
                ++x;
                ++at;
                break;
            case CRACK_LEFT:
                if (y - 1 >= h - 1 || x - 1 >= w)
                    FailChainMove(k, c, x, y, w, h, file, codeByte);
                flags[at - 1] |= EDGE_TOP;
                flags[at - 1 - w] |= EDGE_BOTTOM;
                --x;
                --at;
                break;
            case CRACK_UP:
                if (x - 1 >= w - 1 || y - 1 >= h)
                    FailChainMove(k, c, x, y, w, h, file, codeByte);
                flags[at - w - 1] |= EDGE_RIGHT;
                flags[at - w] |= EDGE_LEFT;
                --y;
                at -= w;
                break;
            default:  // CRACK_DOWN
                if (x - 1 >= w - 1 || y >= h)
                    FailChainMove(k, c, x, y, w, h, file, codeByte);
                flags[at - 1] |= EDGE_RIGHT;
                flags[at] |= EDGE_LEFT;
                ++y;
                at += w;
                break;
            }
            previous = c;
        }
    }
    codesRead = total;
    return shift == 0 ? p : p + 1;
}
