// .rgm against libpng at level 6 on the same indexed picture, both in memory.
//
// Each benchmark times both codecs in one run, fastest of three rounds,
// and reports speed_ratio = libpng's time / .rgm's time (above 1: .rgm is
// faster) beside both speeds in megapixels per second. One thread.
#include "bench/BenchPictures.h"
#include "bench/BenchTiming.h"
#include "bench/peers/PngPeer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr int kPngLevel = 6;

void Report(benchmark::State& state, const CMapRaster& picture, double rgm, double png)
{
    const double mp = double(picture.PixelCount()) / 1e6;
    state.counters["rgm_MPps"] = mp / rgm;
    state.counters["png_MPps"] = mp / png;
    state.counters["speed_ratio"] = png / rgm;
}

bool Picture(benchmark::State& state, const std::string& name, CMapRaster& picture)
{
    if (name == "generated") {
        PaintMap(picture, 4096, 4096);
        return true;
    }
    if (LoadCorpusPicture(name, picture))
        return true;
    state.SkipWithError(("corpus picture " + name + " not found (no shared folder)").c_str());
    return false;
}

void BM_EncodeVsPng(benchmark::State& state, const std::string& name)
{
    CMapRaster picture;
    if (!Picture(state, name, picture))
        return;
    std::vector<uint8_t> rgm, png;
    for (auto _ : state) {
        const double rgmTime = FastestSeconds([&] {
            rgm.clear();
            picture.Encode(rgm);
        });
        const double pngTime = FastestSeconds([&] { png = EncodePalettePng(picture, kPngLevel); });
        Report(state, picture, rgmTime, pngTime);
    }
    state.counters["rgm_bytes"] = double(rgm.size());
    state.counters["png_bytes"] = double(png.size());
}

void BM_DecodeVsPng(benchmark::State& state, const std::string& name)
{
    CMapRaster picture;
    if (!Picture(state, name, picture))
        return;
    std::vector<uint8_t> rgm;
    picture.Encode(rgm);
    const std::vector<uint8_t> png = EncodePalettePng(picture, kPngLevel);
    CMapRaster decoded;
    std::vector<uint8_t> indices;
    uint32_t w = 0, h = 0;
    for (auto _ : state) {
        const double rgmTime = FastestSeconds([&] { decoded.Decode(rgm.size(), rgm.data()); });
        const double pngTime = FastestSeconds([&] { DecodePalettePng(png, indices, w, h); });
        Report(state, picture, rgmTime, pngTime);
    }
    // Both must give the picture back, or the race means nothing.
    if (!std::equal(indices.begin(), indices.end(), picture.IndexPlane()) ||
        !std::equal(indices.begin(), indices.end(), decoded.IndexPlane()))
        state.SkipWithError("a decoder did not give the picture back");
}

// The generated map and the corpus's large maps: flat, antialiased, scanned.
const char* const kPictures[] = {"generated", "v03_africa_political_large", "v01_world_political_wintri",
                                 "v04_china_provinces_albers_aa_large", "v13_africa_scanned_q80_large"};

const int kRegistered = [] {
    for (const char* name : kPictures) {
        benchmark::RegisterBenchmark((std::string("BM_EncodeVsPng/") + name).c_str(), BM_EncodeVsPng, name)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("BM_DecodeVsPng/") + name).c_str(), BM_DecodeVsPng, name)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
