// Spanning trees of the small regions and their node codes.
//
// While a tree is built the WorkPlane marks 0 = outside the region, 1 = in
// it but not yet in the tree, 2 = in the tree; the FlagPlane collects each
// node's child set, bit d for a child in TreeDir d.
#include "codec/MapRaster.h"
#include "codec/PixelWalk.h"
#include "codec/RgmFormat.h"

namespace {

constexpr uint8_t NOT_IN_TREE = 1;
constexpr uint8_t IN_TREE = 2;

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

void AppendGroup(unsigned group, std::vector<uint8_t>& bits)
{
    const uint8_t groupBits[3] = {uint8_t(group & 1), uint8_t((group >> 1) & 1), uint8_t(group >> 2)};
    bits.insert(bits.end(), groupBits, groupBits + 3);
}


// Appends the 3-bit groups for one coded child set.
void AppendNodeCode(uint8_t codedSet, std::vector<uint8_t>& bits)
{
    // The parent is never a child, and the tree never fills the last bit.
    if (codedSet & 0x81)
        throw RgmEncodeError("internal error: a tree node has a child set the format cannot hold");
    const unsigned v = codedSet >> 1;
    if (v < NODE_ESCAPE) {
        AppendGroup(v, bits);
        return;
    }
    AppendGroup(NODE_ESCAPE, bits);
    for (unsigned t = 0; t < 6; ++t) {
        if (NODE_TWO_GROUP_VALUES[t] == v) {
            AppendGroup(t, bits);
            return;
        }
    }
    AppendGroup(NODE_ESCAPE, bits);
    AppendGroup(v & 7, bits);
    AppendGroup(v >> 3, bits);
}

}  // namespace

PackedPos* CMapRaster::GrowTree(PackedPos* start)
{
    uint8_t* work = WorkPlane();
    uint8_t* flag = FlagPlane();
    const uint32_t w = width;
    work[PlaneOffset(*start, w)] = IN_TREE;
    PackedPos* head = start;
    PackedPos* tail = start + 1;
    for (; head != tail; ++head) {
        const PackedPos q = *head;
        uint8_t& children = flag[PlaneOffset(q, w)];
        // Takes n as a child of q; true once q has two children.
        auto take = [&](PackedPos n) {
            work[PlaneOffset(n, w)] = IN_TREE;
            *tail++ = n;
            children |= uint8_t(1u << TreeDirBetween(q, n));
            return (children & (children - 1)) != 0;
        };
        if (IsInteriorPixel(PosX(q), PosY(q), w, height)) {
            // Backwards through R, L, D, U, as below.
            const uint8_t* at = &work[PlaneOffset(q, w)];
            if (at[-ptrdiff_t(w)] == NOT_IN_TREE && take(q + TreeStep(TREE_U)))
                continue;
            if (at[w] == NOT_IN_TREE && take(q + TreeStep(TREE_D)))
                continue;
            if (at[-1] == NOT_IN_TREE && take(q + TreeStep(TREE_L)))
                continue;
            if (at[1] == NOT_IN_TREE)
                take(q + TreeStep(TREE_R));
            continue;
        }
        PackedPos around[4];
        PackedPos* end = Neighbours4(uint16_t(PosX(q)), uint16_t(PosY(q)), around);
        while (end != around) {
            const PackedPos n = *--end;
            if (work[PlaneOffset(n, w)] == NOT_IN_TREE && take(n))
                break;
        }
    }
    return tail;
}

void CMapRaster::BuildRegionTree(PackedPos* first, PackedPos* last)
{
    uint8_t* work = WorkPlane();
    uint8_t* flag = FlagPlane();
    const uint32_t w = width;
    for (const PackedPos* p = first; p != last; ++p)
        work[PlaneOffset(*p, w)] = NOT_IN_TREE;

    PackedPos* tail = GrowTree(first);
    // Attach what the growth steps left out, through any 8-neighbour of a
    // node already in the tree. A region that is not 8-connected stops when
    // the tree order runs out.
    for (PackedPos* node = first; tail != last && node != tail; ++node) {
        PackedPos around[8];
        PackedPos* end = Neighbours8(uint16_t(PosX(*node)), uint16_t(PosY(*node)), around);
        while (end != around) {
            const PackedPos n = *--end;
            if (work[PlaneOffset(n, w)] != NOT_IN_TREE)
                continue;
            flag[PlaneOffset(*node, w)] |= uint8_t(1u << TreeDirBetween(*node, n));
            work[PlaneOffset(n, w)] = IN_TREE;
            *tail = n;
            tail = GrowTree(tail);
        }
    }
}

void CMapRaster::WriteRegionTree(PackedPos* first, std::vector<uint8_t>& bits)
{
    uint8_t* work = WorkPlane();
    const uint8_t* flag = FlagPlane();
    const uint32_t w = width;

    // Node order: breadth-first, children in increasing TreeDir; each child's
    // WorkPlane byte takes the direction back to its parent.
    work[PlaneOffset(*first, w)] = 0;
    PackedPos* tail = first + 1;
    for (PackedPos* q = first; q != tail; ++q) {
        const uint8_t children = flag[PlaneOffset(*q, w)];
        for (unsigned d = 0; d < 8; ++d) {
            if (children & (1u << d)) {
                *tail = *q + TreeStep(d);
                work[PlaneOffset(*tail, w)] = uint8_t(d ^ 1);
                ++tail;
            }
        }
    }
    for (PackedPos* q = first; q != tail; ++q) {
        uint8_t& parentDir = work[PlaneOffset(*q, w)];
        AppendNodeCode(TURNED_SETS.sets[parentDir][flag[PlaneOffset(*q, w)]], bits);
        parentDir = 0;
    }
    while (bits.size() % 8 != 0)
        bits.push_back(0);
}
