// Truecolour import and palette reduction of a large scanned-looking map.
// Uses the corpus's 28-megapixel scanned JPEG when present, and always a
// generated 16-megapixel one. Also: import against libjpeg-turbo's decode
// alone, and the pictures that make colour counting slow.
#include "bench/BenchTiming.h"
#include "doc/ChunkedReduction.h"
#include "doc/ColorHistogram.h"
#include "doc/JpegReader.h"
#include "doc/SafeFile.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <vector>

namespace {

// Flat-coloured regions with wavy borders, dark lines and sensor noise,
// compressed at quality 85 with 4:2:0 like a scanned map.
std::vector<uint8_t> ScannedMapJpeg(int width, int height)
{
    std::mt19937 rng(16);
    std::normal_distribution<float> noise(0.0f, 8.0f);
    const uint8_t fills[7][3] = {{246, 224, 180}, {200, 228, 190}, {250, 205, 205}, {210, 210, 240},
                                 {238, 238, 200}, {180, 215, 235}, {230, 200, 230}};
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double wx = x + 40 * std::sin(y / 97.0), wy = y + 40 * std::sin(x / 83.0);
            const int cell = (int(wx / 360) * 5 + int(wy / 300) * 3) % 7;
            const bool line = std::fmod(wx, 360.0) < 3 || std::fmod(wy, 300.0) < 3 || (x + 2 * y) % 911 < 2;
            // Uneven illumination across the sheet.
            const float light = 0.8f + 0.2f * float(x + y) / float(width + height);
            uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) {
                const float tint = 12.0f * float(std::sin((x + 700 * c) / 500.0 + y / 700.0));  // paper tint
                const float v = (line ? 40.0f : fills[cell][c]) * light + tint + noise(rng);
                p[c] = uint8_t(std::clamp(v, 0.0f, 255.0f));
            }
        }
    tjhandle h = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(h, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420, 85, 0);
    std::vector<uint8_t> out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(h);
    return out;
}

// What ImportJpeg does once the file is read (threads 0: as many as pay).
void ImportJpegData(const std::vector<uint8_t>& jpeg, CMapRaster& raster, unsigned threads = 0)
{
    ImportJpegData(jpeg.data(), jpeg.size(), raster, threads);
}

// Decode, count, reduce to 255 and map every pixel, as opening a .jpg does.
void RunImport(benchmark::State& state, const std::vector<uint8_t>& jpeg)
{
    if (jpeg.empty()) {
        state.SkipWithError("no picture");
        return;
    }
    CMapRaster raster;
    for (auto _ : state)
        ImportJpegData(jpeg, raster);
    // Colour count and merging passes, outside the timing.
    const TruecolorPicture picture = DecodeJpeg(jpeg.data(), jpeg.size());
    CColorHistogram histogram;
    for (size_t i = picture.pixels.size(); i-- > 0;)
        histogram.AddColor(picture.pixels[i]);
    uint32_t palette[256];
    state.counters["megapixels"] = double(picture.pixels.size()) / 1e6;
    state.counters["colours"] = double(histogram.DistinctColors());
    histogram.Reduce(IMPORT_MAX_COLORS, palette);
    state.counters["passes"] = histogram.MergePasses();
}

void BM_ImportGenerated16MP(benchmark::State& state)
{
    static const std::vector<uint8_t> jpeg = ScannedMapJpeg(4096, 4096);
    RunImport(state, jpeg);
}
BENCHMARK(BM_ImportGenerated16MP)->Unit(benchmark::kSecond)->Iterations(2);

void BM_ImportCorpusV13(benchmark::State& state)
{
    const std::filesystem::path v13 =
        std::filesystem::path(KARVEX_SHARED_DIR) / "corpus" / "v13_africa_scanned_q80_large.jpg";
    if (!std::filesystem::exists(v13)) {
        state.SkipWithError("corpus picture v13 not found");
        return;
    }
    static const std::vector<uint8_t> jpeg = ReadWholeFile(v13.string());
    RunImport(state, jpeg);
}
BENCHMARK(BM_ImportCorpusV13)->Unit(benchmark::kSecond)->Iterations(2);

// Opening a .jpg (decode, count, reduce, map) against libjpeg-turbo decoding
// the same file alone. time_ratio = import on one thread / decode, in thread
// processor time; threaded_ratio = import on `threads` threads / decode, in
// wall-clock time (which other work on the machine inflates).
void BM_ImportVsJpegDecode(benchmark::State& state, const char* file)
{
    const std::filesystem::path path = std::filesystem::path(KARVEX_SHARED_DIR) / "corpus" / file;
    if (!std::filesystem::exists(path)) {
        state.SkipWithError("corpus picture not found (no shared folder)");
        return;
    }
    const std::vector<uint8_t> jpeg = ReadWholeFile(path.string());
    tjhandle h = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    tjDecompressHeader3(h, jpeg.data(), jpeg.size(), &width, &height, &subsampling, &colourspace);
    std::vector<uint8_t> rgbx(size_t(width) * height * 4);
    auto decodeAlone = [&] {
        tjDecompress2(h, jpeg.data(), jpeg.size(), rgbx.data(), width, 0, height, TJPF_RGBX, 0);
    };
    CMapRaster raster;
    for (auto _ : state) {
        const double decode = FastestSeconds(decodeAlone);
        const double import = FastestSeconds([&] { ImportJpegData(jpeg, raster, 1); });
        const double decodeWall = FastestSeconds(decodeAlone, WallSeconds);
        const double threadedWall = FastestSeconds([&] { ImportJpegData(jpeg, raster); }, WallSeconds);
        state.counters["decode_ms"] = decode * 1e3;
        state.counters["import_ms"] = import * 1e3;
        state.counters["time_ratio"] = import / decode;
        state.counters["threaded_ms"] = threadedWall * 1e3;
        state.counters["threaded_ratio"] = threadedWall / decodeWall;
    }
    state.counters["threads"] = TableThreads(size_t(width) * size_t(height));
    tjDestroy(h);
}
BENCHMARK_CAPTURE(BM_ImportVsJpegDecode, v13, "v13_africa_scanned_q80_large.jpg")
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ImportVsJpegDecode, v19, "v19_world_scanned_q90.jpg")
    ->Iterations(1)->Unit(benchmark::kMillisecond);

// 4096 x 4096 truecolour pictures that once made counting slow, each timed
// against the same-size 255-colour picture in the same run:
// time_ratio = this picture's count, reduction and mapping / the 255-colour one's.
constexpr int kSide = 4096;

std::vector<uint32_t> ColourPattern(uint32_t (*colourOf)(uint32_t x, uint32_t y))
{
    std::vector<uint32_t> pixels(size_t(kSide) * kSide);
    for (uint32_t y = 0; y < kSide; ++y)
        for (uint32_t x = 0; x < kSide; ++x)
            pixels[size_t(y) * kSide + x] = colourOf(x, y);
    return pixels;
}

// Scattered so that no two neighbours repeat: every pixel is looked up.
uint32_t Scatter(uint32_t x, uint32_t y) { return (x * 2654435761u ^ y * 40503u) >> 7; }
// 255 colours; the reference the others are measured against.
uint32_t Reference255(uint32_t x, uint32_t y) { return (Scatter(x, y) % 255) * 0x010305u & 0xFFFFFFu; }
// 256 colours differing only in red, green or blue.
uint32_t RedOnly(uint32_t x, uint32_t y) { return Scatter(x, y) % 256; }
uint32_t GreenOnly(uint32_t x, uint32_t y) { return RedOnly(x, y) << 8; }
uint32_t BlueOnly(uint32_t x, uint32_t y) { return RedOnly(x, y) << 16; }
// Every pixel its own colour, scattered so neighbours differ in every channel.
uint32_t AllDistinct(uint32_t x, uint32_t y) { return ((y * kSide + x) * 2654435761u) & 0xFFFFFFu; }

void BM_ImportPathological(benchmark::State& state, uint32_t (*colourOf)(uint32_t, uint32_t))
{
    const std::vector<uint32_t> reference = ColourPattern(Reference255);
    const std::vector<uint32_t> pixels = ColourPattern(colourOf);
    CMapRaster raster;
    for (auto _ : state) {
        const double base = FastestSeconds([&] { SetTruecolorPixels(raster, kSide, kSide, reference.data()); });
        const double time = FastestSeconds([&] { SetTruecolorPixels(raster, kSide, kSide, pixels.data()); });
        state.counters["import_ms"] = time * 1e3;
        state.counters["time_ratio"] = time / base;
    }
}
BENCHMARK_CAPTURE(BM_ImportPathological, red_only_256, RedOnly)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ImportPathological, green_only_256, GreenOnly)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ImportPathological, blue_only_256, BlueOnly)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ImportPathological, distinct_16M, AllDistinct)->Iterations(1)->Unit(benchmark::kMillisecond);

// Lowering an imported 255-colour picture to 16 colours.
void BM_ReduceTo16(benchmark::State& state)
{
    static const std::vector<uint8_t> jpeg = ScannedMapJpeg(4096, 4096);
    const TruecolorPicture picture = DecodeJpeg(jpeg.data(), jpeg.size());
    CMapRaster raster;
    for (auto _ : state) {
        state.PauseTiming();
        SetTruecolorPixels(raster, picture.width, picture.height, picture.pixels.data());
        state.ResumeTiming();
        ReduceColorCount(raster, 16);
    }
}
BENCHMARK(BM_ReduceTo16)->Unit(benchmark::kSecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
