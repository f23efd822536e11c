// Encode and decode speed and the encoder's peak memory on generated
// map-like pictures: wobbly flat regions, a few thin lines and scattered dots.
//
// Counters: items_per_second is pixels per second; peak_bytes_per_pixel is
// the encoder's working memory (the raster's block plus everything allocated
// during Encode) less the output, per pixel.
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

void SetPixels(benchmark::State& state, size_t pixels)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
}

void BM_Encode(benchmark::State& state)
{
    const uint32_t side = uint32_t(state.range(0));
    CMapRaster raster;
    PaintMap(raster, side, side);
    const size_t block = CMapRaster::BlockBytes(side, side);
    std::vector<uint8_t> out;
    size_t peakExtra = 0;
    for (auto _ : state) {
        std::vector<uint8_t>().swap(out);
        const size_t before = g_liveBytes;
        g_peakBytes = before;
        raster.Encode(out);
        peakExtra = std::max(peakExtra, g_peakBytes - before);
        benchmark::DoNotOptimize(out.data());
    }
    SetPixels(state, raster.PixelCount());
    const double n = double(raster.PixelCount());
    state.counters["peak_bytes_per_pixel"] = double(block + peakExtra - out.size()) / n;
    state.counters["output_bytes"] = double(out.size());
}

void BM_Decode(benchmark::State& state)
{
    const uint32_t side = uint32_t(state.range(0));
    std::vector<uint8_t> file;
    {
        CMapRaster picture;
        PaintMap(picture, side, side);
        picture.Encode(file);
    }
    CMapRaster raster;
    raster.Decode(file.size(), file.data());  // sizes the block once
    for (auto _ : state) {
        raster.Decode(file.size(), file.data());
        benchmark::DoNotOptimize(raster.IndexPlane());
    }
    SetPixels(state, raster.PixelCount());
}

}  // namespace

// Square pictures of 1, 16 and 64 megapixels.
BENCHMARK(BM_Encode)->Arg(1024)->Arg(4096)->Arg(8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->Arg(1024)->Arg(4096)->Arg(8192)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
