// The indexed picture and the codec's working memory.
//
// A CMapRaster holds a palette of at most 255 colours, one byte per pixel
// naming a palette entry (the IndexPlane), two more byte planes the codec
// works in (WorkPlane, FlagPlane) and a scratch array of packed positions.
// All of it lives in one block that Resize allocates.
#pragma once

#include "codec/KarvexError.h"
#include "codec/Limits.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A pixel or lattice vertex: (y << 16) | x.
using PackedPos = uint32_t;

constexpr PackedPos PackPos(uint32_t x, uint32_t y) { return (y << 16) | (x & 0xFFFFu); }
constexpr uint32_t PosX(PackedPos p) { return p & 0xFFFFu; }
constexpr uint32_t PosY(PackedPos p) { return p >> 16; }

// Largest width or height a raster (and an .rgm file) can have.
constexpr uint32_t MAX_SIDE = 65535;

// Palette index that never names a colour: "no value yet".
constexpr uint8_t NO_INDEX = 255;

// Edge bits in a FlagPlane byte: the crack on that side of the pixel is a boundary.
enum : uint8_t {
    EDGE_RIGHT = 0x01,
    EDGE_TOP = 0x02,
    EDGE_LEFT = 0x04,
    EDGE_BOTTOM = 0x08,
    EDGE_BITS = 0x0F,
    // Left by the boundary tracer on a pixel where a chain starts, at the
    // pixel's top-right or bottom-left corner.
    CHAIN_AT_TOP_RIGHT = 0x10,
    CHAIN_AT_BOTTOM_LEFT = 0x20,
};

// A 2-bit move from one lattice vertex to the next. The reverse is code ^ 1.
enum CrackCode : uint8_t {
    CRACK_RIGHT = 0,
    CRACK_LEFT = 1,
    CRACK_UP = 2,
    CRACK_DOWN = 3,
};

// Connectivity modes of the segmentation passes.
constexpr int CONNECT_8 = 1;
constexpr int CONNECT_4 = 2;

// A region of fewer pixels is small; a larger one must survive this many
// erosion steps to stay in the cleaned picture.
constexpr size_t SMALL_REGION_PIXELS = 128;
constexpr int EROSION_STEPS = 3;

// Raised when a raster cannot be given the size asked for.
class RasterError : public KarvexError {
public:
    explicit RasterError(const std::string& what, ErrorCode code = ErrorCode::TooLarge)
        : KarvexError(what, code) {}
};

// Ends of region pixel lists in PosScratch; entry 0 is the start of PosScratch.
using RegionList = std::vector<PackedPos*>;

// The rows of one of a raster's byte planes: row y starts at plane + y * width.
// Computed rather than kept in a table, which would take 8 bytes a row, more
// than the planes themselves on a picture a pixel or two wide.
class PlaneRows {
public:
    PlaneRows() = default;
    PlaneRows(uint8_t* plane, uint32_t width) : plane_(plane), width_(width) {}
    uint8_t* operator[](size_t y) const { return plane_ + y * width_; }
    explicit operator bool() const { return plane_ != nullptr; }

private:
    uint8_t* plane_ = nullptr;
    size_t width_ = 0;
};

class BitPacker;
struct SmallRegions;
struct RgmLayout;
struct RgmSpan;

class CMapRaster {
public:
    int32_t colorCount = 0;
    uint32_t palette[256] = {};
    uint32_t width = 0;
    uint32_t height = 0;
    PlaneRows indexRows;
    PlaneRows workRows;
    PlaneRows flagRows;

    CMapRaster() = default;
    CMapRaster(const CMapRaster&) = delete;
    CMapRaster& operator=(const CMapRaster&) = delete;
    CMapRaster(CMapRaster&& other) noexcept;
    CMapRaster& operator=(CMapRaster&& other) noexcept;
    ~CMapRaster() = default;

    // Gives the raster a new size. The same size keeps every byte; a new size
    // replaces the block and leaves the planes undefined. A side above
    // MAX_SIDE, or a block that cannot be allocated, throws RasterError and
    // leaves the raster as it was. A zero side gives a raster without pixels.
    void Resize(uint32_t newWidth, uint32_t newHeight);

    // Bytes the block for a picture of this size takes, or 0 if that does
    // not fit in size_t (or a side is above MAX_SIDE).
    static size_t BlockBytes(uint32_t w, uint32_t h);

    size_t PixelCount() const { return size_t(width) * height; }
    bool HasPixels() const { return block_ != nullptr && width != 0 && height != 0; }

    // Contiguous planes, row 0 first (null without pixels).
    uint8_t* IndexPlane() const { return indexRows ? indexRows[0] : nullptr; }
    uint8_t* WorkPlane() const { return workRows ? workRows[0] : nullptr; }
    uint8_t* FlagPlane() const { return flagRows ? flagRows[0] : nullptr; }
    // width * height + 8 entries.
    PackedPos* PosScratch() const { return scratch_; }

    // In-picture neighbours of pixel (x, y) in the fixed order the codec's
    // output depends on. Writes 0 to 4 (or 8) entries and returns the end.
    PackedPos* Neighbours4(uint16_t x, uint16_t y, PackedPos* out) const;
    PackedPos* Neighbours8(uint16_t x, uint16_t y, PackedPos* out) const;

    // --- Segmentation and small-region cleanup (Segmentation.cpp, SmallRegionCleanup.cpp) ---
    // Collects the region of pixel (x, y) (same IndexPlane value, FlagPlane 0)
    // breadth-first into queue, seed first, marking it in the FlagPlane;
    // returns the end of the list.
    PackedPos* FloodFill(int mode, uint16_t x, uint16_t y, PackedPos* queue);
    // Splits the pixels whose WorkPlane differs from their IndexPlane into
    // regions lying back to back in PosScratch; appends their ends to regions.
    void LabelRegions(int mode, RegionList& regions);
    // Leaves in the WorkPlane the picture with its small and thin regions
    // painted over from their surroundings; the FlagPlane ends all 0. When no
    // region survives, the WorkPlane is left equal to the IndexPlane.
    void RemoveSmallRegions();
    // Whether the WorkPlane holds exactly what RemoveSmallRegions would leave
    // there, without changing it: the cleanup is made in the FlagPlane, which
    // ends holding it, so a reader checking a stored cleaned picture needs
    // no copy of it.
    bool WorkIsCleaned();
    // Gives an unassigned WorkPlane pixel the value of its first valued
    // 4-neighbour, walking the list backwards; returns 0 if none has one.
    int FillFromNeighbour(uint16_t x, uint16_t y);

    // --- Boundary marking and tracing (BoundaryTrace.cpp) ---
    // Marks every crack between two WorkPlane values that differ, then walks
    // them into chains: appends the codes, four to a byte from bit 0 up, and
    // marks each chain's start in the FlagPlane (CHAIN_AT_*), nothing else.
    // Returns the number of chains, at most two per pixel.
    size_t TraceBoundaries(std::vector<uint8_t>& codes);
    // Appends the start vertices of the chains marked by TraceBoundaries, in
    // the order traced, as u32 each; leaves the FlagPlane all 0.
    void AppendChainStarts(std::vector<uint8_t>& out);
    // Walks one chain from pixel (x, y), which has EDGE_RIGHT or EDGE_BOTTOM
    // set, clearing the cracks it walks; returns the start vertex.
    PackedPos TraceChain(uint16_t x, uint16_t y, BitPacker& codes);

    // --- Encoder (RgmEncoder.cpp, RgmTreeWriter.cpp) ---
    // Appends the whole .rgm file image to out. Throws RgmEncodeError for a
    // picture the format cannot hold (no pixels, or an index that names no
    // palette entry); out is as it was after any failure.
    void Encode(std::vector<uint8_t>& out);
    // Writes one seed per 4-connected WorkPlane region, in raster order of the
    // regions' first pixels, from the start of PosScratch; returns their end.
    // Pictures too large for run labels leave marks in the FlagPlane.
    PackedPos* CollectRegionSeeds();
    // Builds the spanning tree of the small region whose seed is *first as
    // child sets in the FlagPlane, its nodes in tree order from first. The
    // WorkPlane holds the colour at the pixels still waiting for a tree
    // (NO_INDEX elsewhere); the region is the seed's 8-connected pixels that
    // wait with its colour, and last is first plus its pixel count, or a
    // bound that is not reached.
    void BuildRegionTree(PackedPos* first, PackedPos* last);
    // One breadth-first growth step from the entry at start (at most two
    // 4-neighbour children per node); returns the new end of the tree order.
    PackedPos* GrowTree(PackedPos* start, uint8_t colour);
    // Appends the node codes of the tree rooted at *first, then zero bits up
    // to a whole byte; the tree's WorkPlane pixels end NO_INDEX.
    void WriteRegionTree(PackedPos* first, BitPacker& codes);

    // --- Decoder (RgmDecoder.cpp) ---
    // Reads an .rgm file image. Throws RgmFormatError (with the byte offset)
    // for a file it cannot read or whose picture is above limits (refused
    // before anything is allocated), RasterError when the picture cannot be held;
    // never reads past length nor writes outside the planes and PosScratch.
    // A refused file leaves the raster as it was when the fault lies in the
    // header or the region seed list; later faults leave it resized. The
    // FlagPlane is left with the edge bits of the chains; the WorkPlane and
    // PosScratch are used as working memory.
    void Decode(size_t length, const uint8_t* bytes, const Limits& limits = {});
    // The same, also telling how the file is laid out.
    void Decode(size_t length, const uint8_t* bytes, RgmLayout& layout, const Limits& limits = {});
    // Sets the edge bits of count chains; returns the byte after the code stream.
    const uint8_t* ReadChains(uint32_t count, const uint8_t* starts, const uint8_t* codes,
                              const RgmSpan& file, uint64_t& codesRead);
    // Paints the picture from the FlagPlane's edge bits (EDGE_RIGHT and
    // EDGE_BOTTOM close the cracks) and count seeds (pixels inside the
    // picture, colours below NO_INDEX) as filling from each seed in turn
    // would: each group of pixels joined through open cracks takes the colour
    // of its first seed, each seed pixel that of its last seed. Returns the
    // offset of the first pixel left NO_INDEX, or PixelCount() if none.
    size_t PaintRegions(const PackedPos* seeds, const uint8_t* colours, size_t count);

private:
    void ReleaseBlock();
    void AppendFileImage(std::vector<uint8_t>& out);  // Encode's steps, unchecked
    void WriteSmallRegions(SmallRegions& small, std::vector<uint8_t>& out);  // its second layer

    std::unique_ptr<uint8_t[]> block_;
    PackedPos* scratch_ = nullptr;
};

// Why the picture cannot be stored in an .rgm-based format (format names it
// in the message, ".rgm" or ".rgz"), or an empty string when it can: no
// pixels, a palette of more than 255 colours or none, or a pixel naming no
// palette entry (entry 255 would also read as a seed list's end marker).
std::string EncodeRefusal(const CMapRaster& picture, const std::string& format);
