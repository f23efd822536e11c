// Encode and decode speed and the encoder's peak memory on generated
// map-like pictures: wobbly flat regions, a few thin lines and scattered dots.
//
// Counters: items_per_second is pixels per second; peak_bytes_per_pixel is
// the encoder's working memory (the raster's block plus everything allocated
// during Encode) less the output, per pixel.
#include "bench/CountingAllocator.h"
#include "bench/BenchPictures.h"
#include "codec/MapRaster.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

void SetPixels(benchmark::State& state, size_t pixels)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
}

void MeasureEncode(benchmark::State& state, CMapRaster& raster)
{
    const size_t block = CMapRaster::BlockBytes(raster.width, raster.height);
    std::vector<uint8_t> out;
    size_t peakExtra = 0;
    for (auto _ : state) {
        std::vector<uint8_t>().swap(out);
        peakExtra = std::max(peakExtra, PeakBytesDuring([&] { raster.Encode(out); }));
        benchmark::DoNotOptimize(out.data());
    }
    SetPixels(state, raster.PixelCount());
    const double n = double(raster.PixelCount());
    state.counters["peak_bytes_per_pixel"] = double(block + peakExtra - out.size()) / n;
    state.counters["output_bytes"] = double(out.size());
}

void BM_Encode(benchmark::State& state)
{
    const uint32_t side = uint32_t(state.range(0));
    CMapRaster raster;
    PaintMap(raster, side, side);
    MeasureEncode(state, raster);
}

// The encoder's worst cases for memory: millions of small regions or trees
// as large as the picture, around a solid block; and pictures a few pixels
// thin, where whatever grows per row or column weighs most.
void BM_EncodeWorstCase(benchmark::State& state, void (*paint)(CMapRaster&, uint32_t, uint32_t))
{
    CMapRaster raster;
    paint(raster, uint32_t(state.range(0)), uint32_t(state.range(1)));
    MeasureEncode(state, raster);
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
// Width, height: 4096 x 4096, then the thin ones.
BENCHMARK_CAPTURE(BM_EncodeWorstCase, dither_2x2, PaintDither)
    ->Args({4096, 4096})->Args({65535, 1})->Args({65535, 2})->Args({65535, 3})->Args({65535, 6})
    ->Args({1, 65535})->Args({3, 65535})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodeWorstCase, diagonal_dither, PaintDiagonalDither)->Args({4096, 4096})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodeWorstCase, rle4_like, PaintRle4Like)->Args({4096, 4096})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodeWorstCase, checkerboard, PaintCheckerboard)
    ->Args({4096, 4096})->Args({65535, 3})->Args({3, 65535})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->Arg(1024)->Arg(4096)->Arg(8192)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
