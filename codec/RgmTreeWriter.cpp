// Spanning trees of the small regions and their node codes.
//
// While the trees are built the WorkPlane holds, at each pixel still waiting
// for its tree, its colour, and NO_INDEX everywhere else; the 8-neighbours
// of a region's pixels that wait and have its colour are its own pixels, as
// regions of one colour never touch. The FlagPlane collects each node's child
// set, bit d for a child in TreeDir d.
#include "codec/BitPacker.h"
#include "codec/MapRaster.h"
#include "codec/PixelWalk.h"
#include "codec/RgmFormat.h"

namespace {

constexpr uint8_t IN_TREE = NO_INDEX;

// PackedPos difference of one step in TreeDir d; unsigned wrap subtracts.
constexpr uint32_t TreeStep(unsigned d)
{
    return uint32_t(int32_t(TREE_DY[d]) * 0x10000 + TREE_DX[d]);
}

// TreeDir of the step from a to its 8-neighbour b.
uint8_t TreeDirBetween(PackedPos a, PackedPos b)
{
    // Indexed by (dy + 1) * 3 + (dx + 1).
    static constexpr uint8_t kDir[9] = {TREE_UL, TREE_U, TREE_UR, TREE_L, 0, TREE_R, TREE_DL, TREE_D, TREE_DR};
    const int dx = int(PosX(b)) - int(PosX(a));
    const int dy = int(PosY(b)) - int(PosY(a));
    return kDir[(dy + 1) * 3 + (dx + 1)];
}

// The 3-bit groups of one coded child set as one value, first group lowest,
// and their bit count; 0 bits for a set the format cannot hold (the parent
// is never a child, and the tree never fills the last bit).
struct NodeCode {
    uint16_t bits;
    uint8_t length;
};

struct NodeCodeTable {
    NodeCode codes[256];
    constexpr NodeCodeTable() : codes{}
    {
        for (unsigned set = 0; set < 256; ++set) {
            if (set & 0x81)
                continue;
            const unsigned v = set >> 1;
            if (v < NODE_ESCAPE) {
                codes[set] = {uint16_t(v), 3};
                continue;
            }
            codes[set] = {uint16_t(NODE_ESCAPE | NODE_ESCAPE << 3 | (v & 7) << 6 | (v >> 3) << 9), 12};
            for (unsigned t = 0; t < 6; ++t)
                if (NODE_TWO_GROUP_VALUES[t] == v)
                    codes[set] = {uint16_t(NODE_ESCAPE | t << 3), 6};
        }
    }
};
constexpr NodeCodeTable NODE_CODES;

// NODE_CODES of every child set turned by every parent direction, one lookup
// per tree node.
struct TurnedCodeTable {
    NodeCode codes[8][256];
    constexpr TurnedCodeTable() : codes{}
    {
        for (unsigned p = 0; p < 8; ++p)
            for (unsigned set = 0; set < 256; ++set)
                codes[p][set] = NODE_CODES.codes[TURNED_SETS.sets[p][set]];
    }
};
constexpr TurnedCodeTable TURNED_CODES;

}  // namespace

PackedPos* CMapRaster::GrowTree(PackedPos* start, uint8_t colour)
{
    uint8_t* work = WorkPlane();
    uint8_t* flag = FlagPlane();
    const uint32_t w = width;
    work[PlaneOffset(*start, w)] = IN_TREE;
    PackedPos* head = start;
    PackedPos* tail = start + 1;
    for (; head != tail; ++head) {
        const PackedPos q = *head;
        // q is new to the tree, its child set still empty.
        uint8_t children = 0;
        // Takes the neighbour in TreeDir d as a child of q; true once q has
        // two children.
        auto take = [&](unsigned d) {
            const PackedPos n = q + TreeStep(d);
            work[PlaneOffset(n, w)] = IN_TREE;
            *tail++ = n;
            children |= uint8_t(1u << d);
            return (children & (children - 1)) != 0;
        };
        if (IsInteriorPixel(PosX(q), PosY(q), w, height)) {
            // Backwards through R, L, D, U, as below.
            const uint8_t* at = &work[PlaneOffset(q, w)];
            if (!(at[-ptrdiff_t(w)] == colour && take(TREE_U)) && !(at[w] == colour && take(TREE_D)) &&
                !(at[-1] == colour && take(TREE_L)) && at[1] == colour)
                take(TREE_R);
        } else {
            PackedPos around[4];
            PackedPos* end = Neighbours4(uint16_t(PosX(q)), uint16_t(PosY(q)), around);
            while (end != around) {
                const PackedPos n = *--end;
                if (work[PlaneOffset(n, w)] == colour && take(TreeDirBetween(q, n)))
                    break;
            }
        }
        if (children != 0)
            flag[PlaneOffset(q, w)] = children;
    }
    return tail;
}

void CMapRaster::BuildRegionTree(PackedPos* first, PackedPos* last)
{
    uint8_t* work = WorkPlane();
    uint8_t* flag = FlagPlane();
    const uint32_t w = width;
    const uint8_t colour = work[PlaneOffset(*first, w)];
    // An interior node's 8-neighbours walked backwards: UL, DL, UR, DR, U, D, L, R.
    const uint32_t kBackwards8[8] = {TREE_UL, TREE_DL, TREE_UR, TREE_DR, TREE_U, TREE_D, TREE_L, TREE_R};

    PackedPos* tail = GrowTree(first, colour);
    // Attach what the growth steps left out, through any 8-neighbour of a
    // node already in the tree, until the region is whole.
    for (PackedPos* node = first; tail != last && node != tail; ++node) {
        const PackedPos q = *node;
        auto attach = [&](PackedPos n, unsigned d) {
            flag[PlaneOffset(q, w)] |= uint8_t(1u << d);
            work[PlaneOffset(n, w)] = IN_TREE;
            *tail = n;
            tail = GrowTree(tail, colour);
        };
        if (IsInteriorPixel(PosX(q), PosY(q), w, height)) {
            const uint8_t* at = &work[PlaneOffset(q, w)];
            for (uint32_t d : kBackwards8)
                if (at[ptrdiff_t(TREE_DY[d]) * ptrdiff_t(w) + TREE_DX[d]] == colour)
                    attach(q + TreeStep(d), d);
            continue;
        }
        PackedPos around[8];
        PackedPos* end = Neighbours8(uint16_t(PosX(q)), uint16_t(PosY(q)), around);
        while (end != around) {
            const PackedPos n = *--end;
            if (work[PlaneOffset(n, w)] == colour)
                attach(n, TreeDirBetween(q, n));
        }
    }
}

void CMapRaster::WriteRegionTree(PackedPos* first, BitPacker& codes)
{
    uint8_t* work = WorkPlane();
    const uint8_t* flag = FlagPlane();
    const uint32_t w = width;

    // Node order: breadth-first, children in increasing TreeDir. A node's
    // WorkPlane byte holds the direction back to its parent until its code,
    // which turns its child set by that direction, is written.
    work[PlaneOffset(*first, w)] = 0;
    PackedPos* tail = first + 1;
    for (PackedPos* q = first; q != tail; ++q) {
        uint8_t& parentDir = work[PlaneOffset(*q, w)];
        const uint8_t children = flag[PlaneOffset(*q, w)];
        const NodeCode code = TURNED_CODES.codes[parentDir][children];
        if (code.length == 0)
            throw RgmEncodeError("internal error: a tree node has a child set the format cannot hold");
        codes.Put(code.bits, code.length);
        parentDir = IN_TREE;
        for (unsigned rest = children; rest != 0; rest &= rest - 1) {
            const unsigned d = unsigned(__builtin_ctz(rest));
            *tail = *q + TreeStep(d);
            work[PlaneOffset(*tail, w)] = uint8_t(d ^ 1);
            ++tail;
        }
    }
    codes.Flush();
}
