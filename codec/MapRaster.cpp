#include "codec/MapRaster.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

constexpr size_t kSpareScratch = 8;  // room for the flood fill's last candidates

// The planes are read at scattered places (small regions, fills); on large
// pictures 2 MiB pages spare most of the address-translation misses.
constexpr size_t kHugePage = size_t(2) << 20;

// Asks the system for large pages under the bytes from first; only a hint.
void AdviseHugePages(uint8_t* first, size_t bytes)
{
#ifdef __linux__
    if (bytes >= kHugePage)
        madvise(first, bytes / kHugePage * kHugePage, MADV_HUGEPAGE);
#else
    (void)first;
    (void)bytes;
#endif
}

}  // namespace

CMapRaster::CMapRaster(CMapRaster&& other) noexcept { *this = std::move(other); }

CMapRaster& CMapRaster::operator=(CMapRaster&& other) noexcept
{
    if (this == &other)
        return *this;
    colorCount = other.colorCount;
    std::copy(std::begin(other.palette), std::end(other.palette), palette);
    width = std::exchange(other.width, 0);
    height = std::exchange(other.height, 0);
    indexRows = std::exchange(other.indexRows, {});
    workRows = std::exchange(other.workRows, {});
    flagRows = std::exchange(other.flagRows, {});
    block_ = std::move(other.block_);
    scratch_ = std::exchange(other.scratch_, nullptr);
    return *this;
}

size_t CMapRaster::BlockBytes(uint32_t w, uint32_t h)
{
    if (w > MAX_SIDE || h > MAX_SIDE)
        return 0;
    // Sides of at most 65535 keep every product below 2^35, so on a 64-bit
    // size_t nothing here can overflow; on 32 bits the checks refuse.
    const uint64_t n = uint64_t(w) * h;
    const uint64_t scratch = (n + kSpareScratch) * sizeof(PackedPos);
    const uint64_t total = scratch + 3 * n;
    if (total > SIZE_MAX)
        return 0;
    return size_t(total);
}

void CMapRaster::ReleaseBlock()
{
    block_.reset();
    scratch_ = nullptr;
    indexRows = workRows = flagRows = {};
}

void CMapRaster::Resize(uint32_t newWidth, uint32_t newHeight)
{
    if (newWidth == width && newHeight == height && (block_ || newWidth == 0 || newHeight == 0))
        return;
    if (newWidth > MAX_SIDE || newHeight > MAX_SIDE)
        throw RasterError("picture size " + std::to_string(newWidth) + " x " +
                          std::to_string(newHeight) + " exceeds the largest side of 65535");
    if (newWidth == 0 || newHeight == 0) {
        ReleaseBlock();
        width = newWidth;
        height = newHeight;
        return;
    }
    const size_t bytes = BlockBytes(newWidth, newHeight);
    // Large blocks start on a large-page boundary so that the hint covers them.
    const size_t slack = bytes >= kHugePage ? kHugePage : 0;
    std::unique_ptr<uint8_t[]> fresh(bytes ? new (std::nothrow) uint8_t[bytes + slack] : nullptr);
    if (!fresh)
        throw RasterError("not enough memory for a picture of " + std::to_string(newWidth) + " x " +
                          std::to_string(newHeight) + " pixels", ErrorCode::NoMemory);
    uint8_t* start = fresh.get();
    if (slack != 0)
        start += (kHugePage - reinterpret_cast<uintptr_t>(start) % kHugePage) % kHugePage;
    AdviseHugePages(start, bytes);

    // Layout: PosScratch, WorkPlane, IndexPlane, FlagPlane.
    const size_t n = size_t(newWidth) * newHeight;
    uint8_t* work = start + (n + kSpareScratch) * sizeof(PackedPos);
    block_ = std::move(fresh);
    scratch_ = reinterpret_cast<PackedPos*>(start);
    workRows = PlaneRows(work, newWidth);
    indexRows = PlaneRows(work + n, newWidth);
    flagRows = PlaneRows(work + 2 * n, newWidth);
    width = newWidth;
    height = newHeight;
}

// The neighbour orders are part of the file format: the encoder walks these
// lists forwards and backwards and the first match decides. Border cases are
// decided x == 0 first, then x == width-1, each by y == 0 then y == height-1.
// Pictures one pixel wide or high take the case so chosen and drop the
// neighbours that lie outside.
namespace {

enum Dir { R, L, D, U, DR, UR, DL, UL };

struct NeighbourOrder {
    uint8_t count4;
    Dir order4[4];
    uint8_t count8;
    Dir order8[8];
};

constexpr NeighbourOrder kInterior{4, {R, L, D, U}, 8, {R, L, D, U, DR, UR, DL, UL}};
constexpr NeighbourOrder kTop{3, {R, D, L}, 5, {R, D, DR, L, DL}};
constexpr NeighbourOrder kBottom{3, {R, U, L}, 5, {R, U, UR, L, UL}};
constexpr NeighbourOrder kLeft{3, {R, D, U}, 5, {R, D, DR, U, UR}};
constexpr NeighbourOrder kRight{3, {L, D, U}, 5, {L, D, DL, U, UL}};
constexpr NeighbourOrder kTopLeft{2, {R, D}, 3, {R, D, DR}};
constexpr NeighbourOrder kBottomLeft{2, {R, U}, 3, {R, U, UR}};
constexpr NeighbourOrder kTopRight{2, {L, D}, 3, {L, D, DL}};
constexpr NeighbourOrder kBottomRight{2, {L, U}, 3, {L, U, UL}};

const NeighbourOrder& OrderFor(uint32_t x, uint32_t y, uint32_t w, uint32_t h)
{
    if (x == 0) {
        if (y == 0)
            return kTopLeft;
        if (y == h - 1)
            return kBottomLeft;
        return kLeft;
    }
    if (x == w - 1) {
        if (y == 0)
            return kTopRight;
        if (y == h - 1)
            return kBottomRight;
        return kRight;
    }
    if (y == 0)
        return kTop;
    if (y == h - 1)
        return kBottom;
    return kInterior;
}

constexpr int kDx[8] = {1, -1, 0, 0, 1, 1, -1, -1};
constexpr int kDy[8] = {0, 0, 1, -1, 1, -1, 1, -1};

PackedPos* Emit(const Dir* dirs, unsigned count, uint32_t x, uint32_t y, uint32_t w, uint32_t h,
                bool thin, PackedPos* out)
{
    for (unsigned i = 0; i < count; ++i) {
        const int64_t nx = int64_t(x) + kDx[dirs[i]];
        const int64_t ny = int64_t(y) + kDy[dirs[i]];
        // Only pictures one pixel wide or high can name a position outside.
        if (thin && (nx < 0 || ny < 0 || nx >= int64_t(w) || ny >= int64_t(h)))
            continue;
        *out++ = PackPos(uint32_t(nx), uint32_t(ny));
    }
    return out;
}

}  // namespace

PackedPos* CMapRaster::Neighbours4(uint16_t x, uint16_t y, PackedPos* out) const
{
    const NeighbourOrder& o = OrderFor(x, y, width, height);
    return Emit(o.order4, o.count4, x, y, width, height, width == 1 || height == 1, out);
}

PackedPos* CMapRaster::Neighbours8(uint16_t x, uint16_t y, PackedPos* out) const
{
    const NeighbourOrder& o = OrderFor(x, y, width, height);
    return Emit(o.order8, o.count8, x, y, width, height, width == 1 || height == 1, out);
}
