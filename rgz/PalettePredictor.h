// Predicts a colour from the neighbours' RGB values (MED and mean) and names
// the palette entry nearest to it. Nearest entries are looked up once per
// 5-bit-per-channel cell and remembered.
#pragma once

#include "rgz/PixelNeighbourhood.h"

#include <cstdint>
#include <vector>

namespace rgz_pixel {

class PalettePredictor {
public:
    // Remembering nearest entries takes 32 KB: worth it on large pictures,
    // and at the best level, which asks for them at every changed-bit decision.
    PalettePredictor(const uint32_t* palette, int colourCount, bool remember)
        : colourCount_(colourCount), nearest_(remember ? 32768 : 0, NONE)
    {
        for (int c = 0; c < 256; ++c)
            rgb_[c] = c < colourCount ? palette[c] & 0xFFFFFFu : 0;
    }

    // The entry nearest to the median edge prediction from left, up and up-left.
    uint8_t Med(uint8_t left, uint8_t up, uint8_t upLeft) const
    {
        const uint32_t rgb = MedRgb(left, up, upLeft);
        return Nearest(int(rgb >> 16), int((rgb >> 8) & 255), int(rgb & 255));
    }

    // The median edge prediction itself, as 0x00RRGGBB-style channels.
    uint32_t MedRgb(uint8_t left, uint8_t up, uint8_t upLeft) const
    {
        const uint32_t a = rgb_[left], b = rgb_[up], c = rgb_[upLeft];
        int channel[3];
        for (int k = 0; k < 3; ++k) {
            const int va = int((a >> (8 * k)) & 255), vb = int((b >> (8 * k)) & 255),
                      vc = int((c >> (8 * k)) & 255);
            const int lo = va < vb ? va : vb, hi = va < vb ? vb : va;
            channel[k] = vc >= hi ? lo : (vc <= lo ? hi : va + vb - vc);
        }
        return uint32_t(channel[2]) << 16 | uint32_t(channel[1]) << 8 | uint32_t(channel[0]);
    }

    uint32_t Rgb(uint8_t entry) const { return rgb_[entry]; }

    // The entry nearest to the mean of four colours.
    uint8_t Mean(uint8_t a, uint8_t b, uint8_t c, uint8_t d) const
    {
        int channel[3];
        for (int k = 0; k < 3; ++k)
            channel[k] = int(((rgb_[a] >> (8 * k)) & 255) + ((rgb_[b] >> (8 * k)) & 255) +
                             ((rgb_[c] >> (8 * k)) & 255) + ((rgb_[d] >> (8 * k)) & 255) + 2) >>
                         2;
        return Nearest(channel[2], channel[1], channel[0]);
    }

    uint8_t Nearest(int r, int g, int b) const
    {
        if (nearest_.empty())
            return Search((r & 0xF8) | 4, (g & 0xF8) | 4, (b & 0xF8) | 4);
        const size_t cell = size_t(r >> 3) << 10 | size_t(g >> 3) << 5 | size_t(b >> 3);
        uint8_t& known = nearest_[cell];
        if (known == NONE)
            known = Search((r & 0xF8) | 4, (g & 0xF8) | 4, (b & 0xF8) | 4);
        return known;
    }

private:
    uint8_t Search(int r, int g, int b) const
    {
        int best = 0;
        int bestDistance = 1 << 30;
        for (int c = 0; c < colourCount_; ++c) {
            const int dr = int((rgb_[c] >> 16) & 255) - r, dg = int((rgb_[c] >> 8) & 255) - g,
                      db = int(rgb_[c] & 255) - b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = c;
            }
        }
        return uint8_t(best);
    }

    int colourCount_;
    uint32_t rgb_[256];
    mutable std::vector<uint8_t> nearest_;
};

}  // namespace rgz_pixel
