// Indexed pictures the codec benchmarks share: a generated map-like picture,
// the encoder's worst cases, and the large maps of the shared corpus.
#pragma once

#include "codec/MapRaster.h"
#include "doc/SafeFile.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

// Regions of about 300 x 250 pixels with wavy borders, 40 colours, plus
// straight and diagonal one-pixel lines and isolated dots.
inline void PaintMap(CMapRaster& r, uint32_t w, uint32_t h)
{
    r.Resize(w, h);
    r.colorCount = 48;
    for (int i = 0; i < 48; ++i)
        r.palette[i] = uint32_t(i * 0x050709);
    std::vector<int> shiftX(h), shiftY(w);
    for (uint32_t y = 0; y < h; ++y)
        shiftX[y] = int(40 + 30 * std::sin(y / 37.0) + 8 * std::sin(y / 5.3));
    for (uint32_t x = 0; x < w; ++x)
        shiftY[x] = int(40 + 25 * std::sin(x / 53.0) + 6 * std::sin(x / 7.1));
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row = r.indexRows[y];
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t cx = (x + shiftX[y]) / 300, cy = (y + shiftY[x]) / 250;
            uint8_t c = uint8_t((cx * 7919u + cy * 104729u) % 40u);
            if (y % 613 == 17 || (x + y) % 997 == 0)
                c = 40 + (x / 1000) % 4;  // roads and rivers
            else if ((x * 2654435761u ^ y * 40503u) % 6007u == 0)
                c = 44 + (x + y) % 4;  // towns
            row[x] = c;
        }
    }
}

// Worst cases for the encoder's small-region layer: a solid block in the
// middle third, the rest a 4-colour pattern. pattern(x, y) gives 0 to 3.
// The block spans the whole of a side shorter than 7, so that it survives
// the cleanup's erosions.
template <typename Pattern>
void PaintAroundBlock(CMapRaster& r, uint32_t w, uint32_t h, Pattern pattern)
{
    r.Resize(w, h);
    r.colorCount = 5;
    for (int i = 0; i < 5; ++i)
        r.palette[i] = uint32_t(i * 0x3F3F3F);
    const uint32_t left = w < 7 ? 0 : w / 3, right = w < 7 ? w : 2 * w / 3;
    const uint32_t top = h < 7 ? 0 : h / 3, bottom = h < 7 ? h : 2 * h / 3;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const bool block = x >= left && x < right && y >= top && y < bottom;
            r.indexRows[y][x] = block ? 4 : uint8_t(pattern(x, y) & 3);
        }
}

// Ordered 2 x 2 dither: every pixel its own 8-connected small region.
inline void PaintDither(CMapRaster& r, uint32_t w, uint32_t h)
{
    PaintAroundBlock(r, w, h, [](uint32_t x, uint32_t y) { return (x & 1) | (y & 1) << 1; });
}

// Diagonal dither: each colour one 8-connected region along the diagonals,
// so the trees are as large as the picture.
inline void PaintDiagonalDither(CMapRaster& r, uint32_t w, uint32_t h)
{
    PaintAroundBlock(r, w, h, [](uint32_t x, uint32_t y) { return ((x + y) & 1) | ((x / 2 + y / 2) & 1) << 1; });
}

// What a 4-bit run-length bitmap packs best: runs of two alternating colours
// whose pair and phase change every row.
inline void PaintRle4Like(CMapRaster& r, uint32_t w, uint32_t h)
{
    PaintAroundBlock(r, w, h, [](uint32_t x, uint32_t y) {
        const uint32_t pair = (y / 3) % 4;
        return ((x + y) / (1 + y % 3)) & 1 ? pair : (pair + 1) & 3;
    });
}

// A two-colour checkerboard over the whole picture: no region survives the
// cleanup, so every pixel is a region and a boundary of the first layer.
inline void PaintCheckerboard(CMapRaster& r, uint32_t w, uint32_t h)
{
    r.Resize(w, h);
    r.colorCount = 2;
    r.palette[1] = 0xFFFFFF;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            r.indexRows[y][x] = uint8_t((x + y) & 1);
}

// The corpus's expected .rgm of a picture, decoded; false without the shared folder.
inline bool LoadCorpusPicture(const std::string& name, CMapRaster& r)
{
    const std::filesystem::path file =
        std::filesystem::path(KARVEX_SHARED_DIR) / "corpus" / "expected" / (name + ".rgm");
    if (!std::filesystem::exists(file))
        return false;
    const std::vector<uint8_t> bytes = ReadWholeFile(file.string());
    r.Decode(bytes.size(), bytes.data());
    return true;
}
