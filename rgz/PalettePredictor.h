// Predicts a colour from the neighbours' RGB values (MED and mean) and names
// the palette entry nearest to it. Nearest entries are looked up once per
// 5-bit-per-channel cell and remembered.
#pragma once

#include "rgz/PixelNeighbourhood.h"

#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    uint8_t Med(uint8_t left, uint8_t up, uint8_t upLeft) const { return NearestRgb(MedRgb(left, up, upLeft)); }

    // The median edge prediction itself, as 0x00RRGGBB-style channels: per
    // channel the median of left, up and left + up - up-left.
    uint32_t MedRgb(uint8_t left, uint8_t up, uint8_t upLeft) const
    {
        const uint32_t a = rgb_[left], b = rgb_[up], c = rgb_[upLeft];
#if defined(__SSE2__)
        // The channels side by side in 16-bit lanes; the median is
        // max(min(a, b), min(max(a, b), a + b - c)).
        const __m128i zero = _mm_setzero_si128();
        const __m128i va = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(a)), zero);
        const __m128i vb = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(b)), zero);
        const __m128i vc = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(c)), zero);
        const __m128i gradient = _mm_sub_epi16(_mm_add_epi16(va, vb), vc);
        const __m128i med =
            _mm_max_epi16(_mm_min_epi16(va, vb), _mm_min_epi16(_mm_max_epi16(va, vb), gradient));
        return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(med, zero)));
#else
        int channel[3];
        for (int k = 0; k < 3; ++k) {
            const int va = int((a >> (8 * k)) & 255), vb = int((b >> (8 * k)) & 255),
                      vc = int((c >> (8 * k)) & 255);
            const int lo = va < vb ? va : vb, hi = va < vb ? vb : va;
            channel[k] = vc >= hi ? lo : (vc <= lo ? hi : va + vb - vc);
        }
        return uint32_t(channel[2]) << 16 | uint32_t(channel[1]) << 8 | uint32_t(channel[0]);
#endif
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

    uint8_t Nearest(int r, int g, int b) const { return NearestRgb(uint32_t(r << 16 | g << 8 | b)); }

    // The same for a colour as 0x00RRGGBB.
    uint8_t NearestRgb(uint32_t rgb) const
    {
        if (nearest_.empty())
            return Search(rgb);
        // The cell's 5-bit channels: red's at bits 10-14, green's at 5-9, blue's at 0-4.
        const size_t cell = (rgb >> 9 & 0x7C00u) | (rgb >> 6 & 0x3E0u) | (rgb >> 3 & 0x1Fu);
        uint8_t& known = nearest_[cell];
        if (known == NONE)
            known = Search(rgb);
        return known;
    }

private:
    // The entry nearest to the middle of rgb's cell; kept out of line, so
    // that the remembered answer is found inline.
    [[gnu::noinline]] uint8_t Search(uint32_t rgb) const
    {
        const int r = int(rgb >> 16 & 0xF8) | 4, g = int(rgb >> 8 & 0xF8) | 4, b = int(rgb & 0xF8) | 4;
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
