// What the pixel-layer models see around a pixel: W everywhere, I and the
// changed bits (I != W) of the pixels already coded, and how far the pixel
// lies from a boundary of W. Rows are kept in small padded rings, so the
// models read neighbours without bounds checks and memory stays O(width).
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace rgz_pixel {

// An I value outside the picture.
constexpr uint8_t NONE = 255;
// Distance classes: 0 on a boundary (a W neighbour differs), 1 and 2 that
// far from such a pixel, FAR beyond.
constexpr uint8_t FAR = 3;
constexpr int PAD = 2;

// The neighbourhood of the pixel being coded.
struct Pixel {
    uint32_t x = 0, y = 0;
    uint8_t w = 0, dc = 0;
    // W of the 8 neighbours; the picture's edge repeats outward.
    uint8_t wl, wr, wu, wd, wul, wur, wdl, wdr;
    // I of the causal neighbours (NONE outside the picture).
    uint8_t il, ill, iu, iuu, iul, iur, iurr;
    // Changed bits of the causal neighbours (0 outside).
    uint8_t ml, mll, mu, muu, mul, mur, mull, murr;

    // The causal changed bits as one byte.
    unsigned ChangedTemplate() const
    {
        return ml | mll << 1 | mul << 2 | mu << 3 | mur << 4 | muu << 5 | mull << 6 | murr << 7;
    }
    // Which of the 4-neighbours and (together) the diagonals lie in another W region.
    unsigned BoundaryPattern() const
    {
        return (wl != w) | (wu != w) << 1 | (wr != w) << 2 | (wd != w) << 3 |
               ((wul != w) | (wur != w) | (wdl != w) | (wdr != w)) << 4;
    }
};

// Distance classes of one row at a time, from a ring of seven rows of
// horizontal distances to the nearest boundary pixel.
class BoundaryDistance {
public:
    BoundaryDistance(const uint8_t* w, uint32_t width, uint32_t height)
        : w_(w), width_(width), height_(height), ring_(7 * size_t(width)), out_(width)
    {
    }

    // Classes of row y; rows must be asked for in order 0, 1, 2, ...
    const uint8_t* Row(uint32_t y)
    {
        if (y == 0)
            for (uint32_t r = 0; r < 3 && r < height_; ++r)
                Horizontal(r);
        if (y + 3 < height_)
            Horizontal(y + 3);
        std::memset(out_.data(), FAR, width_);
        for (int dy = -3; dy <= 3; ++dy) {
            const int64_t r = int64_t(y) + dy;
            if (r < 0 || r >= int64_t(height_))
                continue;
            const uint8_t floor = uint8_t(dy < 0 ? -dy : dy);
            const uint8_t* h = &ring_[size_t(r % 7) * width_];
            uint8_t* out = out_.data();
            for (uint32_t x = 0; x < width_; ++x) {
                const uint8_t d = h[x] > floor ? h[x] : floor;
                out[x] = d < out[x] ? d : out[x];
            }
        }
        return out_.data();
    }

private:
    // Distance (capped at FAR) along row r to the nearest pixel with a W neighbour of another colour.
    void Horizontal(uint32_t r)
    {
        uint8_t* h = &ring_[size_t(r % 7) * width_];
        const uint8_t* row = w_ + size_t(r) * width_;
        const uint8_t* up = r > 0 ? row - width_ : row;
        const uint8_t* down = r + 1 < height_ ? row + width_ : row;
        const uint32_t last = width_ - 1;
        for (uint32_t x = 0; x < width_; ++x) {
            const uint32_t xl = x > 0 ? x - 1 : 0, xr = x < last ? x + 1 : last;
            const uint8_t c = row[x];
            const bool edge = (row[xl] != c) | (row[xr] != c) | (up[xl] != c) | (up[x] != c) |
                              (up[xr] != c) | (down[xl] != c) | (down[x] != c) | (down[xr] != c);
            h[x] = edge ? 0 : FAR;
        }
        uint8_t d = FAR;
        for (uint32_t x = 0; x < width_; ++x) {
            d = h[x] == 0 ? 0 : (d < FAR ? d + 1 : FAR);
            h[x] = d;
        }
        d = FAR;
        for (uint32_t x = width_; x-- > 0;) {
            d = h[x] == 0 ? 0 : (d < FAR ? d + 1 : FAR);
            h[x] = d < h[x] ? d : h[x];
        }
    }

    const uint8_t* w_;
    uint32_t width_, height_;
    std::vector<uint8_t> ring_;
    std::vector<uint8_t> out_;
};

// Padded rings of the last three rows of I and of the changed bits, and the
// W rows around the current one.
class Rows {
public:
    Rows(const uint8_t* w, uint32_t width, uint32_t height)
        : w_(w), width_(width), height_(height), stride_(size_t(width) + 2 * PAD),
          i_(3 * stride_, NONE), m_(3 * stride_, 0), wPad_(3 * stride_, 0), nearChange_(width)
    {
    }

    // Starts row y: rotates the rings and pads the W rows y-1, y, y+1.
    void Start(uint32_t y)
    {
        y_ = y;
        iRow_[2] = iRow_[1];
        iRow_[1] = iRow_[0];
        iRow_[0] = (iRow_[0] + 1) % 3;
        std::memset(&i_[size_t(iRow_[0]) * stride_], NONE, stride_);
        std::memset(&m_[size_t(iRow_[0]) * stride_], 0, stride_);
        if (y == 0) {
            std::memset(i_.data(), NONE, i_.size());
            std::memset(m_.data(), 0, m_.size());
        }
        for (int k = 0; k < 3; ++k) {
            int64_t r = int64_t(y) + k - 1;
            if (r < 0)
                r = 0;
            if (r >= int64_t(height_))
                r = height_ - 1;
            uint8_t* dst = &wPad_[size_t(k) * stride_];
            const uint8_t* src = w_ + size_t(r) * width_;
            std::memcpy(dst + PAD, src, width_);
            dst[0] = dst[1] = src[0];
            dst[PAD + width_] = dst[PAD + width_ + 1] = src[width_ - 1];
        }
        // Whether a changed pixel lies within two columns in the two rows above.
        const uint8_t* m1 = MRow(1);
        const uint8_t* m2 = MRow(2);
        for (uint32_t x = 0; x < width_; ++x) {
            const size_t c = size_t(x) + PAD;
            nearChange_[x] = m1[c - 2] | m1[c - 1] | m1[c] | m1[c + 1] | m1[c + 2] | m2[c - 1] |
                             m2[c] | m2[c + 1];
        }
    }

    // Whether no causal neighbour of pixel x in the template is changed.
    bool QuietAt(uint32_t x) const
    {
        const uint8_t* m0 = MRow(0) + PAD;
        return (nearChange_[x] | m0[int64_t(x) - 1] | m0[int64_t(x) - 2]) == 0;
    }

    void Fill(Pixel& px, uint32_t x, uint8_t dc) const
    {
        px.x = x;
        px.y = y_;
        px.dc = dc;
        const size_t c = size_t(x) + PAD;
        const uint8_t* wu = &wPad_[0];
        const uint8_t* w0 = &wPad_[stride_];
        const uint8_t* wd = &wPad_[2 * stride_];
        px.w = w0[c];
        px.wl = w0[c - 1];
        px.wr = w0[c + 1];
        px.wu = wu[c];
        px.wd = wd[c];
        px.wul = wu[c - 1];
        px.wur = wu[c + 1];
        px.wdl = wd[c - 1];
        px.wdr = wd[c + 1];
        const uint8_t* i0 = IRow(0);
        const uint8_t* i1 = IRow(1);
        const uint8_t* i2 = IRow(2);
        px.il = i0[c - 1];
        px.ill = i0[c - 2];
        px.iu = i1[c];
        px.iul = i1[c - 1];
        px.iur = i1[c + 1];
        px.iurr = i1[c + 2];
        px.iuu = i2[c];
        const uint8_t* m0 = MRow(0);
        const uint8_t* m1 = MRow(1);
        const uint8_t* m2 = MRow(2);
        px.ml = m0[c - 1];
        px.mll = m0[c - 2];
        px.mu = m1[c];
        px.mul = m1[c - 1];
        px.mur = m1[c + 1];
        px.muu = m2[c];
        px.mull = m1[c - 2];
        px.murr = m1[c + 2];
    }

    void Set(uint32_t x, uint8_t colour, uint8_t changed)
    {
        const size_t c = size_t(iRow_[0]) * stride_ + x + PAD;
        i_[c] = colour;
        m_[c] = changed;
    }

    // W at (x, y) with the picture's edge repeated outward.
    uint8_t WAt(int64_t x, int64_t y) const
    {
        x = x < 0 ? 0 : (x >= int64_t(width_) ? width_ - 1 : x);
        y = y < 0 ? 0 : (y >= int64_t(height_) ? height_ - 1 : y);
        return w_[size_t(y) * width_ + size_t(x)];
    }

private:
    const uint8_t* IRow(int back) const { return &i_[size_t(iRow_[back]) * stride_]; }
    const uint8_t* MRow(int back) const { return &m_[size_t(iRow_[back]) * stride_]; }

    const uint8_t* w_;
    uint32_t width_, height_;
    size_t stride_;
    uint32_t y_ = 0;
    int iRow_[3] = {2, 1, 0};  // ring slots of rows y, y-1, y-2
    std::vector<uint8_t> i_, m_, wPad_;
    std::vector<uint8_t> nearChange_;
};

}  // namespace rgz_pixel
