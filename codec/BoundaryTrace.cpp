// Boundary marking and crack-code tracing of the cleaned picture.
#include "codec/BoundaryTrace.h"
#include "codec/BitPacker.h"
#include "codec/ByteOrder.h"
#include "codec/PixelWalk.h"

#include <cstring>

namespace {

// Sets each FlagPlane byte of row y from the WorkPlane: an edge bit for every
// side whose neighbour inside the picture has another value. Writing whole
// bytes also clears whatever the plane held. Returns the row's cracks, each
// counted at the pixel left of or above it.
size_t MarkRow(const CMapRaster& raster, uint32_t y)
{
    const uint32_t w = raster.width;
    const uint8_t* row = raster.workRows[y];
    const uint8_t* above = y > 0 ? raster.workRows[y - 1] : row;
    const uint8_t* below = y + 1 < raster.height ? raster.workRows[y + 1] : row;
    uint8_t* flags = raster.flagRows[y];
    auto vertical = [&](uint32_t x) {
        return uint8_t((above[x] != row[x] ? EDGE_TOP : 0) | (below[x] != row[x] ? EDGE_BOTTOM : 0));
    };
    if (w == 1) {
        flags[0] = vertical(0);
    } else {
        flags[0] = uint8_t(vertical(0) | (row[0] != row[1] ? EDGE_RIGHT : 0));
        for (uint32_t x = 1; x + 1 < w; ++x)
            flags[x] = uint8_t(vertical(x) | (row[x] != row[x - 1] ? EDGE_LEFT : 0) |
                               (row[x] != row[x + 1] ? EDGE_RIGHT : 0));
        flags[w - 1] = uint8_t(vertical(w - 1) | (row[w - 1] != row[w - 2] ? EDGE_LEFT : 0));
    }
    // The EDGE_RIGHT and EDGE_BOTTOM bits, counted eight bytes at a time.
    static_assert(EDGE_RIGHT == 0x01 && EDGE_BOTTOM == 0x08, "the counted bits are bits 0 and 3");
    constexpr uint64_t kLowBits = 0x0101010101010101ull;
    size_t cracks = 0;
    uint32_t x = 0;
    for (; x + 8 <= w; x += 8) {
        const uint64_t word = Load8(flags + x);
        cracks += SumOfBytes((word & kLowBits) + (word >> 3 & kLowBits));
    }
    for (; x < w; ++x)
        cracks += size_t(flags[x] & EDGE_RIGHT) + size_t((flags[x] & EDGE_BOTTOM) >> 3);
    return cracks;
}

}  // namespace

size_t CMapRaster::TraceBoundaries(std::vector<uint8_t>& codes)
{
    if (!HasPixels())
        return 0;
    size_t cracks = 0;
    for (uint32_t y = 0; y < height; ++y)
        cracks += MarkRow(*this, y);
    // Every code is two bits: one per crack and one end code per chain, and
    // a chain walks at least one crack. The cracks number less than two per
    // pixel, so the codes take at most one byte per pixel.
    const size_t start = codes.size();
    codes.resize(start + (4 * cracks + 7) / 8);
    BitPacker packer(codes.data() + start);

    // A pixel's top and left bits pair with pixels scanned before it, so only
    // its right or bottom bit can still start a chain when the scan arrives:
    // at most two chains start at a pixel, each marked there.
    constexpr uint64_t kEdgeBytes = 0x0F0F0F0F0F0F0F0Full;
    size_t chains = 0;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = flagRows[y];
        for (uint32_t x = 0; x < width; ++x) {
            while (x + 8 <= width && (Load8(row + x) & kEdgeBytes) == 0)
                x += 8;
            while (x < width && (row[x] & EDGE_BITS) != 0) {
                const uint8_t startMark = (row[x] & EDGE_RIGHT) ? CHAIN_AT_TOP_RIGHT : CHAIN_AT_BOTTOM_LEFT;
                TraceChain(uint16_t(x), uint16_t(y), packer);
                row[x] |= startMark;
                ++chains;
            }
        }
    }
    packer.Flush();
    codes.resize(size_t(packer.End() - codes.data()));
    return chains;
}

void CMapRaster::AppendChainStarts(std::vector<uint8_t>& out)
{
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = flagRows[y];
        for (uint32_t x = 0; x < width; ++x) {
            while (x + 8 <= width && Load8(row + x) == 0)
                x += 8;
            if (x == width)
                break;
            if (row[x] & CHAIN_AT_TOP_RIGHT)
                AppendU32(out, PackPos(x + 1, y));
            if (row[x] & CHAIN_AT_BOTTOM_LEFT)
                AppendU32(out, PackPos(x, y + 1));
            row[x] = 0;
        }
    }
}

PackedPos CMapRaster::TraceChain(uint16_t x, uint16_t y, BitPacker& codes)
{
    EdgeGrid grid{flagRows, uint16_t(width), uint16_t(height)};
    uint16_t cx = x, cy = y;
    if (flagRows[y][x] & EDGE_RIGHT)
        cx = uint16_t(x + 1);  // top-right corner: the first move is down
    else
        cy = uint16_t(y + 1);  // bottom-left corner: the first move is right
    const PackedPos start = PackPos(cx, cy);

    unsigned lastCode = CRACK_RIGHT;
    for (;;) {
        unsigned code;
        uint16_t nx = cx, ny = cy;
        if (grid.TestCrack(cx, cy, uint16_t(cx + 1), cy)) {
            code = CRACK_RIGHT;
            nx = uint16_t(cx + 1);
        } else if (cx > 0 && grid.TestCrack(cx, cy, uint16_t(cx - 1), cy)) {
            code = CRACK_LEFT;
            nx = uint16_t(cx - 1);
        } else if (grid.TestCrack(cx, cy, cx, uint16_t(cy + 1))) {
            code = CRACK_DOWN;
            ny = uint16_t(cy + 1);
        } else if (cy > 0 && grid.TestCrack(cx, cy, cx, uint16_t(cy - 1))) {
            code = CRACK_UP;
            ny = uint16_t(cy - 1);
        } else {
            break;
        }
        codes.Put(code, 2);
        grid.ClearCrack(cx, cy, nx, ny);
        cx = nx;
        cy = ny;
        lastCode = code;
    }
    codes.Put(lastCode ^ 1, 2);
    return start;
}
