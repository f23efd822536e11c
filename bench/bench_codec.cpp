// Encode and decode speed and the encoder's peak memory on generated
// map-like pictures: wobbly flat regions, a few thin lines and scattered dots.
//
// Counters: items_per_second is pixels per second; peak_bytes_per_pixel is
// the encoder's working memory (the raster's block plus everything allocated
// during Encode) less the output, per pixel.
#include "bench/BenchSupport.h"
#include "codec/MapRaster.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

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
