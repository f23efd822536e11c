// Shared by the benchmark programs: a counting allocator (each program that
// includes this replaces operator new, so include it in one file per
// program) and the generated map-like picture.
#pragma once

#include "codec/MapRaster.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

// --- Counting allocator: every operator new goes through malloc here ---
namespace {
size_t g_liveBytes = 0;
size_t g_peakBytes = 0;

void* CountedAlloc(size_t n)
{
    void* p = std::malloc(n ? n : 1);
    if (p) {
        g_liveBytes += malloc_usable_size(p);
        if (g_liveBytes > g_peakBytes)
            g_peakBytes = g_liveBytes;
    }
    return p;
}

void CountedFree(void* p)
{
    if (!p)
        return;
    g_liveBytes -= malloc_usable_size(p);
    std::free(p);
}
}  // namespace

void* operator new(size_t n)
{
    if (void* p = CountedAlloc(n))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, size_t) noexcept { CountedFree(p); }

namespace {

// Regions of about 300 x 250 pixels with wavy borders, 40 colours, plus
// straight and diagonal one-pixel lines and isolated dots.
void PaintMap(CMapRaster& r, uint32_t w, uint32_t h)
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

// Pixels per second as items_per_second.
void SetPixels(benchmark::State& state, size_t pixels)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
}

}  // namespace
