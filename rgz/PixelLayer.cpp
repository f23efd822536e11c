#include "rgz/PixelLayer.h"

#include "rgz/ColourCoding.h"
#include "rgz/LayerStats.h"
#include "rgz/PaletteTree.h"
#include "rgz/PixelModel.h"
#include "rgz/PixelNeighbourhood.h"
#include "rgz/RgzError.h"
#include "rgz/RgzFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <string>

namespace rgz_pixel {
namespace {

struct EncodeIo {
    static constexpr bool DECODING = false;
    RangeEncoder& enc;
    int Bit(uint32_t p1, int bit)
    {
        rgz_stats::Record(p1, bit);
        enc.EncodeBit(p1, bit);
        return bit;
    }
    void EndRow() const { }
    void Refuse(const char*) const { }
    void Resume(const EncodeIo&) const { }
};

// Holds its own copy of the decoder: a copy local to the layer's loop stays
// in registers, where the caller's would go back to memory at every byte the
// loop writes. Resume takes over a finished copy's state.
struct DecodeIo {
    static constexpr bool DECODING = true;
    RangeDecoder dec;
    void Resume(const DecodeIo& local) { dec = local.dec; }
    int Bit(uint32_t p1, int) { return dec.DecodeBit(p1); }
    void EndRow() const
    {
        if (dec.overrun())
            throw RgzFormatError("the pixel layer ends early", dec.offset());
    }
    [[noreturn]] void Refuse(const char* what) const { throw RgzFormatError(what, dec.offset()); }
};

// The encoder weighs the palette tree when enough pixels change for the
// weights to pay for themselves.
constexpr size_t WEIGHED_CHANGES_PER_COLOUR = 32;

// Each entry's weight log from how often it is a changed pixel's colour,
// relative to the most frequent one; false when too few pixels change.
bool MeasureColourWeights(const uint8_t* w, const uint8_t* i, size_t n, int colourCount, uint8_t* weightLog)
{
    size_t counts[256] = {};
    size_t changes = 0;
    for (size_t p = 0; p < n; ++p)
        if (i[p] != w[p]) {
            ++counts[i[p]];
            ++changes;
        }
    if (colourCount < 3 || changes < WEIGHED_CHANGES_PER_COLOUR * size_t(colourCount))
        return false;
    const int top = std::bit_width(*std::max_element(counts, counts + colourCount));
    for (int c = 0; c < colourCount; ++c)
        weightLog[c] = uint8_t(std::clamp(int(std::bit_width(counts[c])) - top + PaletteTree::MAX_WEIGHT_LOG, 0,
                                          PaletteTree::MAX_WEIGHT_LOG));
    return true;
}

// The palette tree's weights at the default level: a bit that says whether
// they follow, then each entry's weight log in four bits down a small
// adaptive tree. Returns whether the tree is weighed.
template <class Io> bool CodeColourWeights(Io& io, int colourCount, bool weighed, uint8_t* weightLog)
{
    weighed = io.Bit(32768, weighed);
    if (!weighed)
        return false;
    uint16_t nodes[16];
    std::fill(std::begin(nodes), std::end(nodes), rgz_model::Counter16::INITIAL);
    for (int c = 0; c < colourCount; ++c) {
        unsigned node = 1;
        for (int b = 3; b >= 0; --b) {
            const int bit =
                io.Bit(rgz_model::CoderP(rgz_model::Counter16::P12(nodes[node]) << 4 | 8), (weightLog[c] >> b) & 1);
            rgz_model::Counter16::Update(nodes[node], bit, 15);
            node = node * 2 + unsigned(bit);
        }
        weightLog[c] = uint8_t(node - 16);
    }
    return true;
}

// One pass over the picture in raster order; the encoder reads iIn, the
// decoder writes iOut. Both sides make the same model calls in the same order.
// weightLog: the palette tree's weights, null for an even tree.
template <class Model, class Io>
void CodeLayer(const uint8_t* w, const uint8_t* iIn, uint8_t* iOut, uint32_t width, uint32_t height,
               const uint32_t* palette, int colourCount, const uint8_t* weightLog, uint8_t version, Io& caller)
{
    if (width == 0 || height == 0)
        return;
    Io io = caller;
    Model model(palette, colourCount, width, height, version);
    const PaletteTree tree(palette, colourCount, weightLog);
    BoundaryDistance distance(w, width, height);
    Rows rows(w, width, height);
    const bool canChange = colourCount >= 2;
    Pixel px;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* dc = distance.Row(y);
        rows.Start(y, dc);
        const size_t rowStart = size_t(y) * width;
        uint32_t busyEnd = 0;  // pixels before it lie in a block with a change
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t wv = w[rowStart + x];
            if (canChange && x >= busyEnd && rows.QuietBlockAt(x)) {
                rgz_stats::SetPart(rgz_stats::QUIET);
                const int any = Io::DECODING
                                    ? 0
                                    : std::memcmp(iIn + rowStart + x, w + rowStart + x, BLOCK) != 0;
                if (!model.QuietBlock(io, wv, rows.NoiseAround(x, x + BLOCK - 1), any)) {
                    rows.SetUnchangedBlock(x, w + rowStart + x);
                    if (Io::DECODING)
                        std::memcpy(iOut + rowStart + x, w + rowStart + x, BLOCK);
                    x += BLOCK - 1;
                    continue;
                }
                busyEnd = x + BLOCK;
            }
            const int actual = Io::DECODING ? -1 : iIn[rowStart + x];
            int changed = Io::DECODING ? 0 : actual != wv;
            bool filled = false;
            if (canChange) {
                if (x >= busyEnd && rows.QuietAt(x)) {
                    rgz_stats::SetPart(rgz_stats::QUIET);
                    changed = model.Quiet(io, wv, rows.NoiseAround(x, x), changed);
                } else {
                    rgz_stats::SetPart(rgz_stats::CHANGED);
                    rows.FillAround(px, x, dc[x]);
                    if constexpr (Model::RICH_CONTEXTS)
                        rows.FillColours(px, true);
                    filled = true;
                    changed = model.Changed(io, px, changed);
                }
            }
            uint8_t colour = wv;
            if (changed) {
                if (!filled)
                    rows.FillAround(px, x, dc[x]);
                if (!filled || !Model::RICH_CONTEXTS)
                    rows.FillColours(px, Model::RICH_CONTEXTS);
                const int c =
                    CodeColour(model, io, tree, colourCount, px, OtherW(px, rows), actual);
                if (c < 0 || c >= colourCount || c == wv)
                    io.Refuse("a changed pixel names no colour it could have");
                colour = uint8_t(c);
            }
            rows.Set(x, colour, uint8_t(changed));
            if (Io::DECODING)
                iOut[rowStart + x] = colour;
        }
        io.EndRow();
    }
    caller.Resume(io);
}

// The best level spends its time in sums of products over many inputs. On
// processors with AVX2 its layer (since version 4) runs a copy built for
// them, with everything it calls built into it: the same integer
// arithmetic, so the same bytes. The default level runs no faster so built.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define KARVEX_AVX2_CLONE __attribute__((target_clones("arch=x86-64-v3", "default"), flatten))
#else
#define KARVEX_AVX2_CLONE
#endif

template <class Io>
KARVEX_AVX2_CLONE void CodeBestLayer(const uint8_t* w, const uint8_t* iIn, uint8_t* iOut, uint32_t width,
                                     uint32_t height, const uint32_t* palette, int colourCount,
                                     const uint8_t* weights, uint8_t version, Io& io)
{
    CodeLayer<PixelModel<true>>(w, iIn, iOut, width, height, palette, colourCount, weights, version, io);
}

// The layer begins with the palette tree's weights: at the default level
// from version 2 on, at the best level from version 4 on.
template <class Io>
void CodeAtLevel(RgzLevel level, uint8_t version, const uint8_t* w, const uint8_t* iIn, uint8_t* iOut,
                 uint32_t width, uint32_t height, const uint32_t* palette, int colourCount, Io& io)
{
    const bool best = level == RgzLevel::Best;
    uint8_t weightLog[256] = {};
    bool weighed = false;
    if (version >= (best ? 4 : 2)) {
        if (!Io::DECODING)
            weighed = MeasureColourWeights(w, iIn, size_t(width) * height, colourCount, weightLog);
        weighed = CodeColourWeights(io, colourCount, weighed, weightLog);
    }
    const uint8_t* weights = weighed ? weightLog : nullptr;
    if (best && version >= 4)
        CodeBestLayer(w, iIn, iOut, width, height, palette, colourCount, weights, version, io);
    else if (best)
        CodeLayer<PixelModel<true, false>>(w, iIn, iOut, width, height, palette, colourCount, weights, version,
                                           io);
    else
        CodeLayer<PixelModel<false>>(w, iIn, iOut, width, height, palette, colourCount, weights, version, io);
}

}  // namespace
}  // namespace rgz_pixel

void EncodePixelLayer(const uint8_t* w, const uint8_t* i, uint32_t width, uint32_t height,
                      const uint32_t* palette, int colourCount, RgzLevel level, RangeEncoder& enc)
{
    const size_t n = size_t(width) * height;
    for (size_t p = 0; p < n; ++p)
        if (i[p] >= colourCount || w[p] >= colourCount)
            throw std::invalid_argument("a pixel names palette entry " +
                                        std::to_string(std::max(i[p], w[p])) + " of only " +
                                        std::to_string(colourCount));
    rgz_pixel::EncodeIo io {enc};
    rgz_pixel::CodeAtLevel(level, RGZ_VERSION, w, i, nullptr, width, height, palette, colourCount, io);
}

void DecodePixelLayer(const uint8_t* w, uint8_t* i, uint32_t width, uint32_t height,
                      const uint32_t* palette, int colourCount, RgzLevel level, RangeDecoder& dec,
                      uint8_t version)
{
    rgz_pixel::DecodeIo io {dec};
    rgz_pixel::CodeAtLevel(level, version, w, nullptr, i, width, height, palette, colourCount, io);
    dec = io.dec;
}
