// What the pixel-layer models see around a pixel: W everywhere, I and the
// changed bits (I != W) of the pixels already coded, and how far the pixel
// lies from a boundary of W. Rows are kept in small padded rings, so the
// models read neighbours without bounds checks and memory stays O(width).
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rgz_pixel {

// An I value outside the picture.
constexpr uint8_t NONE = 255;
// Distance classes: 0 on a boundary (a W neighbour differs), 1 and 2 that
// far from such a pixel, FAR beyond.
constexpr uint8_t FAR = 3;
constexpr int PAD = 2;
// Quiet pixels are coded BLOCK at a time while none of them changes.
constexpr uint32_t BLOCK = 16;

// The neighbourhood of the pixel being coded.
struct Pixel {
    uint32_t x = 0, y = 0;
    uint8_t w = 0, dc = 0;
    // W of the 8 neighbours, 4-neighbours first; the picture's edge repeats outward.
    uint8_t wl, wu, wr, wd, wul, wur, wdl, wdr;
    // I of the causal neighbours (NONE outside the picture).
    uint8_t il, ill, iu, iuu, iul, iur, iurr;
    // Changed bits of the causal neighbours (0 outside), a bit each: left,
    // two left, up-left, up, up-right, two up, up and two left, up and two right.
    uint8_t changed;
    uint8_t mu2l, mu2r;  // changed bits two rows up, a column to each side
    uint8_t activity;    // changed pixels nearby: 0 to 10

    unsigned Ml() const { return changed & 1u; }
    unsigned Mll() const { return changed >> 1 & 1u; }
    unsigned Mul() const { return changed >> 2 & 1u; }
    unsigned Mu() const { return changed >> 3 & 1u; }
    unsigned Mur() const { return changed >> 4 & 1u; }
    // The causal changed bits as one byte.
    unsigned ChangedTemplate() const { return changed; }
    // W of the 8 neighbours as one word, wl in the low byte.
    uint64_t NeighbourW() const
    {
        static_assert(offsetof(Pixel, wdr) == offsetof(Pixel, wl) + 7);
        uint64_t v;
        std::memcpy(&v, &wl, 8);
        return v;
    }
    // Which of the 8 neighbours lie in another W region.
    unsigned FullBoundaryPattern() const
    {
        return (wl != w) | (wu != w) << 1 | (wr != w) << 2 | (wd != w) << 3 | (wul != w) << 4 |
               (wur != w) << 5 | (wdl != w) << 6 | (wdr != w) << 7;
    }
    // Which of the 4-neighbours and (together) the diagonals lie in another W region.
    unsigned BoundaryPattern() const
    {
        return (wl != w) | (wu != w) << 1 | (wr != w) << 2 | (wd != w) << 3 |
               ((wul != w) | (wur != w) | (wdl != w) | (wdr != w)) << 4;
    }
};

// Eight bytes at a time, for whole-row passes; byte k of a word is bits 8k to 8k+7.
static_assert(std::endian::native == std::endian::little);
inline uint64_t LoadWord(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
inline void StoreWord(uint8_t* p, uint64_t v) { std::memcpy(p, &v, 8); }
constexpr uint64_t BYTE_ONES = 0x0101010101010101ull;
// 1 in each byte of t that is not 0, else 0.
inline uint64_t NonZeroBytes(uint64_t t)
{
    constexpr uint64_t LOW7 = BYTE_ONES * 0x7F;
    return ((t | ((t & LOW7) + LOW7)) >> 7) & BYTE_ONES;
}
// Bit k set when byte k of t is 1, for t whose bytes are 0 or 1: each
// byte's bit lands in the top byte, and no two products meet.
inline unsigned GatherByteBits(uint64_t t) { return unsigned((t * 0x0102040810204080ull) >> 56); }

// Distance classes of one row at a time. For each of the five rows around
// it, bytes tell whether a boundary pixel lies within 0, 1 or 2 columns;
// eight pixels are handled per step in a 64-bit word.
class BoundaryDistance {
public:
    BoundaryDistance(const uint8_t* w, uint32_t width, uint32_t height)
        : w_(w), width_(width), height_(height), stride_((size_t(width) + 7) / 8 * 8 + 16),
          near_(5 * 3 * stride_), out_(stride_), padded_(3 * stride_), edge_(stride_ + 16)
    {
    }

    // Classes of row y; rows must be asked for in order 0, 1, 2, ...
    const uint8_t* Row(uint32_t y)
    {
        if (y == 0)
            for (uint32_t r = 0; r < 2 && r < height_; ++r)
                Horizontal(r);
        if (y + 2 < height_)
            Horizontal(y + 2);
        const uint8_t* within1[3];
        const uint8_t* within2[5];
        for (int dy = -2; dy <= 2; ++dy) {
            const int64_t r = std::clamp<int64_t>(int64_t(y) + dy, 0, int64_t(height_) - 1);
            within2[dy + 2] = Near(uint32_t(r), 2);
            if (dy >= -1 && dy <= 1)
                within1[dy + 1] = Near(uint32_t(r), 1);
        }
        const uint8_t* on = Near(y, 0);
        for (size_t x = 0; x < width_; x += 8) {
            const uint64_t c0 = Load(on + x);
            const uint64_t c1 = Load(within1[0] + x) | Load(within1[1] + x) | Load(within1[2] + x);
            const uint64_t c2 = Load(within2[0] + x) | Load(within2[1] + x) | Load(within2[2] + x) |
                                Load(within2[3] + x) | Load(within2[4] + x);
            Store(&out_[x], ONES * FAR - c2 - c1 - c0);
        }
        return out_.data();
    }

private:
    static constexpr uint64_t ONES = BYTE_ONES;
    static uint64_t Load(const uint8_t* p) { return LoadWord(p); }
    static void Store(uint8_t* p, uint64_t v) { StoreWord(p, v); }
    static uint64_t NonZero(uint64_t t) { return NonZeroBytes(t); }

    uint8_t* Near(uint32_t r, int within) { return &near_[(size_t(r % 5) * 3 + within) * stride_]; }

    // Marks, for row r, the pixels within 0, 1 and 2 columns of a boundary
    // pixel (one with a W neighbour of another colour).
    void Horizontal(uint32_t r)
    {
        const uint8_t* row = w_ + size_t(r) * width_;
        const uint8_t* source[3] = {r > 0 ? row - width_ : row, row,
                                    r + 1 < height_ ? row + width_ : row};
        const size_t n = width_;
        for (int k = 0; k < 3; ++k) {
            uint8_t* dst = &padded_[size_t(k) * stride_];
            std::memcpy(dst + 1, source[k], n);
            dst[0] = source[k][0];
            std::memset(dst + n + 1, source[k][n - 1], stride_ - n - 1);
        }
        const uint8_t* a = &padded_[1];
        const uint8_t* b = a + stride_;
        const uint8_t* c = b + stride_;
        uint8_t* e = &edge_[8];
        for (size_t x = 0; x < n; x += 8) {
            const uint64_t v = Load(b + x);
            const uint64_t differ = (Load(a + x - 1) ^ v) | (Load(a + x) ^ v) |
                                    (Load(a + x + 1) ^ v) | (Load(b + x - 1) ^ v) |
                                    (Load(b + x + 1) ^ v) | (Load(c + x - 1) ^ v) |
                                    (Load(c + x) ^ v) | (Load(c + x + 1) ^ v);
            Store(e + x, NonZero(differ));
        }
        // Past the row's end no pixel is a boundary pixel.
        std::memset(e + n, 0, edge_.size() - 8 - n);
        std::memset(&edge_[0], 0, 8);
        uint8_t* on = Near(r, 0);
        uint8_t* within1 = Near(r, 1);
        uint8_t* within2 = Near(r, 2);
        for (size_t x = 0; x < n; x += 8) {
            const uint64_t d0 = Load(e + x);
            const uint64_t d1 = d0 | Load(e + x - 1) | Load(e + x + 1);
            Store(on + x, d0);
            Store(within1 + x, d1);
            Store(within2 + x, d1 | Load(e + x - 2) | Load(e + x + 2));
        }
    }

    const uint8_t* w_;
    uint32_t width_, height_;
    size_t stride_;              // a row rounded up to whole words, plus slack
    std::vector<uint8_t> near_;  // five rows of three "within" masks
    std::vector<uint8_t> out_;
    std::vector<uint8_t> padded_;  // W rows r-1, r, r+1, the edge repeated
    std::vector<uint8_t> edge_;    // 1 on a boundary pixel; 8 pads a side
};

// Padded rings of the last three rows of I and of the changed bits, and of
// the W rows around the current one.
class Rows {
public:
    Rows(const uint8_t* w, uint32_t width, uint32_t height)
        : w_(w), width_(width), height_(height), stride_(size_t(width) + 2 * PAD + 8),
          i_(3 * stride_, NONE), m_(3 * stride_, 0), wPad_(3 * stride_, 0),
          busy_((size_t(width) + 7) / 8 * 8), busyBlock_(width / BLOCK + 1),
          above_(size_t(width) + 2 * PAD + 9)
    {
    }

    // Starts row y with its distance classes: rotates the rings, pads W row
    // y+1 and marks where the quiet paths may be taken.
    void Start(uint32_t y, const uint8_t* dc)
    {
        y_ = y;
        iRow_[2] = iRow_[1];
        iRow_[1] = iRow_[0];
        iRow_[0] = (iRow_[0] + 1) % 3;
        std::memset(&i_[size_t(iRow_[0]) * stride_], NONE, stride_);
        std::memset(&m_[size_t(iRow_[0]) * stride_], 0, stride_);
        rowChanged_[iRow_[0]] = 0;
        if (y == 0) {
            std::memset(i_.data(), NONE, i_.size());
            std::memset(m_.data(), 0, m_.size());
            std::fill(std::begin(rowChanged_), std::end(rowChanged_), 0);
        }
        for (int back = 0; back < 3; ++back) {
            iLine_[back] = &i_[size_t(iRow_[back]) * stride_];
            mLine_[back] = &m_[size_t(iRow_[back]) * stride_];
        }
        // W rows y-1, y, y+1 (the edge repeated) sit in ring slots by row
        // number, so each row is padded once.
        if (y == 0)
            PadW(0);
        if (y + 1 < height_)
            PadW(y + 1);
        wUp_ = PaddedW(y > 0 ? y - 1 : 0);
        w0_ = PaddedW(y);
        wDown_ = PaddedW(y + 1 < height_ ? y + 1 : y);
        // Busy: near a boundary, or a changed pixel within two columns in
        // the two rows above; eight pixels a step, the changed bits only
        // when those rows have any.
        const uint8_t* m1 = mLine_[1];
        const uint8_t* m2 = mLine_[2];
        const bool changesAbove = rowChanged_[iRow_[1]] | rowChanged_[iRow_[2]];
        for (uint32_t x = 0; x < width_; x += 8) {
            uint64_t busy = NonZeroBytes(LoadWord(dc + x) ^ (BYTE_ONES * FAR));
            if (changesAbove)
                busy |= LoadWord(m1 + x) | LoadWord(m1 + x + 1) | LoadWord(m1 + x + 2) |
                        LoadWord(m1 + x + 3) | LoadWord(m1 + x + 4) | LoadWord(m2 + x + 1) |
                        LoadWord(m2 + x + 2) | LoadWord(m2 + x + 3);
            StoreWord(&busy_[x], busy);
        }
        // Running count of changed pixels in row y-1, for the activity around
        // a pixel and the noise level; all 0 (and kept so) without any.
        if (rowChanged_[iRow_[1]] || aboveCounts_) {
            // Eight columns a step; the ring's padding holds no changes. A
            // row has at most 65535 pixels, so the counts fit 16 bits.
            uint16_t sum = 0;
            for (size_t x = 0; x <= width_ + 2 * PAD; x += 8) {
                const uint64_t changes = LoadWord(m1 + x);
                const uint64_t before = (changes << 8) * BYTE_ONES;  // a byte each: those left of it
#if defined(__SSE2__)
                const __m128i widened = _mm_unpacklo_epi8(_mm_cvtsi64_si128(int64_t(before)), _mm_setzero_si128());
                _mm_storeu_si128(reinterpret_cast<__m128i*>(&above_[x]),
                                 _mm_add_epi16(widened, _mm_set1_epi16(int16_t(sum))));
#else
                for (int k = 0; k < 8; ++k)
                    above_[x + k] = uint16_t(sum + (before >> (8 * k) & 255));
#endif
                sum = uint16_t(sum + ((changes * BYTE_ONES) >> 56));
            }
            aboveCounts_ = sum != 0;
        }
        for (uint32_t b = 0; b < width_ / BLOCK; ++b)
            busyBlock_[b] = (LoadWord(&busy_[b * BLOCK]) | LoadWord(&busy_[b * BLOCK + 8])) != 0;
    }

    // Whether pixel x is far from any boundary with no changed pixel in its template.
    bool QuietAt(uint32_t x) const
    {
        const uint8_t* m0 = mLine_[0] + PAD;
        return (busy_[x] | m0[int64_t(x) - 1] | m0[int64_t(x) - 2]) == 0;
    }

    // How many pixels changed in the row above within [first - 8, last + 8]:
    // 0, 1, 2 (two or three) or 3 (more), the noise level around a quiet stretch.
    unsigned NoiseAround(uint32_t first, uint32_t last) const
    {
        const size_t lo = first >= 8 ? first - 8 + PAD : 0;
        const size_t hi = std::min<size_t>(size_t(last) + 9 + PAD, width_ + 2 * PAD);
        const unsigned n = unsigned(above_[hi] - above_[lo]);
        return n < 2 ? n : (n < 4 ? 2 : 3);
    }

    // Whether the BLOCK pixels from x on (a multiple of BLOCK) are all quiet
    // so long as none of them changes.
    bool QuietBlockAt(uint32_t x) const
    {
        const uint8_t* m0 = mLine_[0] + PAD;
        return x % BLOCK == 0 && x / BLOCK < width_ / BLOCK &&
               (busyBlock_[x / BLOCK] | m0[int64_t(x) - 1] | m0[int64_t(x) - 2]) == 0;
    }

    // Records BLOCK unchanged pixels from x on, whose colours are W's.
    void SetUnchangedBlock(uint32_t x, const uint8_t* colours)
    {
        std::memcpy(iLine_[0] + x + PAD, colours, BLOCK);
    }

    // The pixel's place, distance class, W around it and the causal changed
    // bits: what its changed bit needs at the default level.
    void FillAround(Pixel& px, uint32_t x, uint8_t dc) const
    {
        px.x = x;
        px.y = y_;
        px.dc = dc;
        const size_t c = size_t(x) + PAD;
        px.w = w0_[c];
        px.wl = w0_[c - 1];
        px.wr = w0_[c + 1];
        px.wu = wUp_[c];
        px.wul = wUp_[c - 1];
        px.wur = wUp_[c + 1];
        px.wd = wDown_[c];
        px.wdl = wDown_[c - 1];
        px.wdr = wDown_[c + 1];
        // The row above's changed bits from two left to two right, one word.
        const unsigned above = GatherByteBits(LoadWord(mLine_[1] + c - 2) & 0x0101010101ull);
        const uint8_t* m0 = mLine_[0];
        px.changed = uint8_t(m0[c - 1] | m0[c - 2] << 1 | (above & 0xEu) << 1 | mLine_[2][c] << 5 |
                             (above & 1u) << 6 | (above & 0x10u) << 3);
    }

    // The causal neighbours' colours, and with `wide` the changes farther
    // out (activity, two rows up); after FillAround.
    void FillColours(Pixel& px, bool wide) const
    {
        const size_t c = size_t(px.x) + PAD;
        const uint8_t* i0 = iLine_[0];
        const uint8_t* i1 = iLine_[1];
        px.il = i0[c - 1];
        px.ill = i0[c - 2];
        px.iu = i1[c];
        px.iul = i1[c - 1];
        px.iur = i1[c + 1];
        px.iurr = i1[c + 2];
        px.iuu = iLine_[2][c];
        if (!wide)
            return;
        // Changed pixels among the 8 above (x-4 .. x+3 in the padded run) and the 2 to the left.
        const size_t lo = px.x >= 4 ? px.x - 4 + PAD : 0,
                     hi = std::min<size_t>(px.x + 4 + PAD, width_ + 2 * PAD);
        px.activity = uint8_t(above_[hi] - above_[lo] + px.Ml() + px.Mll());
        const uint8_t* m2 = mLine_[2];
        px.mu2l = m2[c - 1];
        px.mu2r = m2[c + 1];
    }

    void Set(uint32_t x, uint8_t colour, uint8_t changed)
    {
        iLine_[0][x + PAD] = colour;
        mLine_[0][x + PAD] = changed;
        rowChanged_[iRow_[0]] |= changed;
    }

    // W at (x, y) with the picture's edge repeated outward.
    uint8_t WAt(int64_t x, int64_t y) const
    {
        x = x < 0 ? 0 : (x >= int64_t(width_) ? width_ - 1 : x);
        y = y < 0 ? 0 : (y >= int64_t(height_) ? height_ - 1 : y);
        return w_[size_t(y) * width_ + size_t(x)];
    }

private:
    uint8_t* PaddedW(uint32_t r) { return &wPad_[size_t(r % 3) * stride_]; }

    // Copies W row r into its ring slot with two columns of edge each side.
    void PadW(uint32_t r)
    {
        uint8_t* dst = PaddedW(r);
        const uint8_t* src = w_ + size_t(r) * width_;
        std::memcpy(dst + PAD, src, width_);
        dst[0] = dst[1] = src[0];
        dst[PAD + width_] = dst[PAD + width_ + 1] = src[width_ - 1];
    }

    const uint8_t* w_;
    uint32_t width_, height_;
    size_t stride_;
    uint32_t y_ = 0;
    int iRow_[3] = {2, 1, 0};  // ring slots of rows y, y-1, y-2
    std::vector<uint8_t> i_, m_, wPad_;
    uint8_t* iLine_[3] = {};  // rows y, y-1, y-2 of each ring
    uint8_t* mLine_[3] = {};
    const uint8_t* wUp_ = nullptr;  // padded W rows y-1, y, y+1
    const uint8_t* w0_ = nullptr;
    const uint8_t* wDown_ = nullptr;
    std::vector<uint8_t> busy_, busyBlock_;
    std::vector<uint16_t> above_;  // changed pixels of row y-1 before each padded column
    bool aboveCounts_ = true;      // above_ may hold counts other than 0
    uint8_t rowChanged_[3] = {};   // whether each ring row has a changed pixel
};

}  // namespace rgz_pixel
