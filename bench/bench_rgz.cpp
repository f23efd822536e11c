// .rgz encode and decode speed and peak memory at both levels: the generated
// 16-megapixel map-like picture and the large maps of the shared corpus
// (flat, antialiased, scanned) when it is there.
//
// Counters: items_per_second is pixels per second; peak_bytes_per_pixel is
// the working memory (the raster's block plus everything allocated during
// the call) less the file, per pixel.
#include "bench/BenchSupport.h"
#include "rgz/Rgz.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using PictureMaker = void (*)(CMapRaster&, const std::string&);

void Generated(CMapRaster& raster, const std::string&) { PaintMap(raster, 4096, 4096); }

void FromRgm(CMapRaster& raster, const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> rgm{std::istreambuf_iterator<char>(in), {}};
    raster.Decode(rgm.size(), rgm.data());
}

void Encode(benchmark::State& state, PictureMaker make, const std::string& path, RgzLevel level)
{
    CMapRaster raster;
    make(raster, path);
    const size_t block = CMapRaster::BlockBytes(raster.width, raster.height);
    std::vector<uint8_t> out;
    size_t peakExtra = 0;
    for (auto _ : state) {
        std::vector<uint8_t>().swap(out);
        const size_t before = g_liveBytes;
        g_peakBytes = before;
        out = EncodeRgz(raster, level);
        peakExtra = std::max(peakExtra, g_peakBytes - before);
    }
    SetPixels(state, raster.PixelCount());
    state.counters["peak_bytes_per_pixel"] = double(block + peakExtra - out.size()) / double(raster.PixelCount());
    state.counters["file_bytes"] = double(out.size());
}

void Decode(benchmark::State& state, PictureMaker make, const std::string& path, RgzLevel level)
{
    std::vector<uint8_t> file;
    size_t pixels;
    {
        CMapRaster picture;
        make(picture, path);
        file = EncodeRgz(picture, level);
        pixels = picture.PixelCount();
    }
    size_t peak = 0;
    for (auto _ : state) {
        CMapRaster raster;
        const size_t before = g_liveBytes;
        g_peakBytes = before;
        DecodeRgz(file, raster);
        peak = std::max(peak, g_peakBytes - before);
        benchmark::DoNotOptimize(raster.IndexPlane());
    }
    SetPixels(state, pixels);
    state.counters["peak_bytes_per_pixel"] = double(peak) / double(pixels);
}

void Register(const std::string& name, PictureMaker make, const std::string& path)
{
    for (RgzLevel level : {RgzLevel::Fast, RgzLevel::Best}) {
        const std::string suffix = std::string(level == RgzLevel::Best ? "best/" : "fast/") + name;
        benchmark::RegisterBenchmark(("RgzEncode/" + suffix).c_str(), Encode, make, path, level)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("RgzDecode/" + suffix).c_str(), Decode, make, path, level)
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    Register("generated_4096x4096", Generated, "");
    const std::filesystem::path expected = std::filesystem::path(KARVEX_SHARED_DIR) / "corpus" / "expected";
    for (const char* map : {"v03_africa_political_large", "v04_china_provinces_albers_aa_large",
                            "v13_africa_scanned_q80_large"}) {
        const std::filesystem::path path = expected / (std::string(map) + ".rgm");
        if (std::filesystem::exists(path))
            Register(map, FromRgm, path.string());
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
