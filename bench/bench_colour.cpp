// Truecolour import and palette reduction of a large scanned-looking map.
// Uses the corpus's 28-megapixel scanned JPEG when present, and always a
// generated 16-megapixel one.
#include "doc/ColorHistogram.h"
#include "doc/JpegReader.h"
#include "doc/SafeFile.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

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

// Decode, count, reduce to 255 and map every pixel, as opening a .jpg does.
void RunImport(benchmark::State& state, const std::vector<uint8_t>& jpeg)
{
    if (jpeg.empty()) {
        state.SkipWithError("no picture");
        return;
    }
    CMapRaster raster;
    for (auto _ : state) {
        TruecolorPicture picture = DecodeJpeg(jpeg.data(), jpeg.size());
        SetTruecolorPixels(raster, picture.width, picture.height, picture.pixels.data());
    }
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
