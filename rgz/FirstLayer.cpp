// Palette, cracks, then region colours in raster order of the regions' seeds.
#include "rgz/FirstLayer.h"

#include "rgz/CoderIo.h"
#include "rgz/ColourTree.h"
#include "rgz/CrackLayer.h"
#include "rgz/RgzError.h"
#include "rgz/RunRegions.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

template <typename Io>
void CodePalette(Io& io, CMapRaster& raster)
{
    for (int i = 0; i < raster.colorCount; ++i)
        raster.palette[i] = io.Bypass(raster.palette[i] & 0xFFFFFFu, 24);
}

// The colours a region cannot have: those of the pixel left of its seed and
// of the pixels above its first run (the run lies below cracks throughout,
// or the region would have begun higher up).
ColourSet ExcludedAtSeed(const uint8_t* w, const uint8_t* flags, uint32_t width, uint32_t x, uint32_t y)
{
    ColourSet excluded;
    const size_t p = size_t(y) * width + x;
    if (x > 0)
        excluded.Add(w[p - 1]);
    if (y > 0) {
        for (uint32_t k = x; k < width && (k == x || !(flags[p + (k - x)] & CRACK_BIT_LEFT)); ++k)
            excluded.Add(w[p - width + (k - x)]);
    }
    return excluded;
}

// W's own cracks must be the decoded ones: touching regions of one colour
// would make a picture whose cracks differ. Whether row r of W (above it,
// unless r is the top row) matches its crack bits f.
bool RowCracksMatch(const uint8_t* r, const uint8_t* above, const uint8_t* f, uint32_t width)
{
    unsigned bad = 0;
    if (!above) {
        for (uint32_t x = 1; x < width; ++x)
            bad |= unsigned(r[x] != r[x - 1]) ^ (f[x] & CRACK_BIT_LEFT);
        return bad == 0;
    }
    // Both bits of a pixel in one pass over the row.
    static_assert(CRACK_BIT_LEFT == 1 && CRACK_BIT_TOP == 2, "the differences line up with the crack bits");
    constexpr unsigned BOTH = CRACK_BIT_LEFT | CRACK_BIT_TOP;
    bad = unsigned(r[0] != above[0]) ^ ((f[0] >> 1) & 1);
    for (uint32_t x = 1; x < width; ++x)
        bad |= (unsigned(r[x] != r[x - 1]) | unsigned(r[x] != above[x]) << 1) ^ (f[x] & BOTH);
    return bad == 0;
}

// Codes the colour of every region at its seed (the start of its first
// run) and, when decoding, paints W run by run and checks each row's cracks
// while it is still in the cache (a mismatch is refused once every colour is
// read, offset naming the end of the colours).
template <typename Io>
void CodeRegionColours(Io& io, uint8_t* w, const uint8_t* flags, const uint32_t* runParents, uint32_t runCount,
                       uint32_t width, uint32_t height, int colourCount, size_t streamOffset)
{
    // Context: the colour above the seed, or colourCount on the top row.
    ColourTree tree(unsigned(colourCount) + 1);
    const ColourSet palette = ColourSet::FirstN(colourCount);
    std::vector<uint8_t> runColours(runCount);
    uint32_t run = 0;
    uint32_t mismatchRow = height;  // the first row whose cracks W contradicts
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* rowFlags = flags + size_t(y) * width;
        uint8_t* row = w + size_t(y) * width;
        for (uint32_t x = 0; x < width; ++run) {
            const uint32_t end = NextLeftCrack(rowFlags, x + 1, width);
            if (runParents[run] != run) {
                runColours[run] = runColours[runParents[run]];
                if constexpr (Io::decoding)
                    std::memset(row + x, runColours[run], end - x);
                x = end;
                continue;
            }
            ColourSet allowed = palette;
            const ColourSet excluded = ExcludedAtSeed(w, flags, width, x, y);
            for (int k = 0; k < 4; ++k)
                allowed.words[k] &= ~excluded.words[k];
            if constexpr (Io::decoding) {
                if (allowed.Empty())
                    throw RgzFormatError("the region at pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                                             ") has no colour left",
                                         streamOffset + io.dec.offset());
            }
            const unsigned context = y > 0 ? (row - width)[x] : unsigned(colourCount);
            runColours[run] = uint8_t(tree.Code(io, context, allowed, row[x]));
            if constexpr (Io::decoding)
                std::memset(row + x, runColours[run], end - x);
            x = end;
        }
        if constexpr (Io::decoding)
            if (mismatchRow == height && !RowCracksMatch(row, y > 0 ? row - width : nullptr, rowFlags, width))
                mismatchRow = y;
    }
    if constexpr (Io::decoding)
        if (mismatchRow != height)
            throw RgzFormatError("two touching regions of row " + std::to_string(mismatchRow) + " share a colour",
                                 streamOffset + io.dec.offset());
}

}  // namespace

void EncodeFirstLayer(const CMapRaster& raster, RgzLevel level, RangeEncoder& enc, uint8_t version)
{
    EncodeIo io{enc};
    CodePalette(io, const_cast<CMapRaster&>(raster));
    uint8_t* const flags = raster.FlagPlane();
    MarkCracks(raster.WorkPlane(), flags, raster.width, raster.height);
    const uint32_t runs = EncodeCracks(flags, raster.PosScratch(), raster.width, raster.height, level, enc, version);
    CodeRegionColours(io, raster.WorkPlane(), flags, raster.PosScratch(), runs, raster.width, raster.height,
                      raster.colorCount, 0);
    std::memset(flags, 0, raster.PixelCount());
}

void DecodeFirstLayer(CMapRaster& raster, RgzLevel level, RangeDecoder& dec, size_t streamOffset, uint8_t version)
{
    DecodeIo io{dec};
    CodePalette(io, raster);
    uint8_t* const flags = raster.FlagPlane();
    const uint32_t runs =
        DecodeCracks(flags, raster.PosScratch(), raster.width, raster.height, level, dec, streamOffset, version);
    CodeRegionColours(io, raster.WorkPlane(), flags, raster.PosScratch(), runs, raster.width, raster.height,
                      raster.colorCount, streamOffset);
}
