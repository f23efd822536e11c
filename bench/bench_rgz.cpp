// .rgz encode and decode speed and peak memory at both levels, on the
// generated 16-megapixel map-like picture and on the large maps of the
// shared corpus (flat, antialiased, scanned; skipped when it is absent).
// Other corpus maps are timed too when named after the options, as in
// `bench_rgz --benchmark_filter=best v06_iceland_small_aa_200x150`.
//
// Counters: items_per_second is pixels per second; peak_bytes_per_pixel is
// the memory taken besides the file (the raster's block plus everything
// allocated during the call, less the output when encoding), per pixel;
// bits_per_pixel is the file's size.
#include "bench/CountingAllocator.h"
#include "bench/BenchPictures.h"
#include "codec/MapRaster.h"
#include "rgz/Rgz.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const GENERATED = "generated_map_4096x4096";
const char* const CORPUS_MAPS[] = {
    "v01_world_political_wintri",           // flat, 4 megapixels
    "v03_africa_political_large",           // flat, 40 megapixels
    "v04_china_provinces_albers_aa_large",  // antialiased, 28 megapixels
    "v13_africa_scanned_q80_large",         // scanned JPEG, 28 megapixels
};

void CopyPicture(const CMapRaster& from, CMapRaster& to)
{
    to.Resize(from.width, from.height);
    to.colorCount = from.colorCount;
    std::copy(std::begin(from.palette), std::end(from.palette), to.palette);
    std::copy(from.IndexPlane(), from.IndexPlane() + from.PixelCount(), to.IndexPlane());
}

// The picture of that name (null when the shared corpus lacks it), kept
// until another one is asked for: the benchmarks of one picture run one
// after another.
const CMapRaster* Picture(const std::string& name)
{
    static std::string loadedName;
    static std::unique_ptr<CMapRaster> loaded;
    if (name != loadedName) {
        loaded = std::make_unique<CMapRaster>();
        if (name == GENERATED)
            PaintMap(*loaded, 4096, 4096);
        else if (!LoadCorpusPicture(name, *loaded))
            loaded.reset();
        loadedName = name;
    }
    return loaded.get();
}

// Copies the picture of that name into raster; false, with the benchmark
// skipped, when there is none.
bool TakePicture(benchmark::State& state, const std::string& name, CMapRaster& raster)
{
    const CMapRaster* picture = Picture(name);
    if (!picture) {
        state.SkipWithError((name + " is not in the shared corpus").c_str());
        return false;
    }
    CopyPicture(*picture, raster);
    return true;
}

void SetCounters(benchmark::State& state, size_t pixels, size_t fileBytes, size_t peakBytes)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
    state.counters["peak_bytes_per_pixel"] = double(peakBytes) / double(pixels);
    state.counters["bits_per_pixel"] = 8.0 * double(fileBytes) / double(pixels);
}

void Encode(benchmark::State& state, std::string name, RgzLevel level)
{
    CMapRaster raster;
    if (!TakePicture(state, name, raster))
        return;
    const size_t block = CMapRaster::BlockBytes(raster.width, raster.height);
    std::vector<uint8_t> out;
    size_t peakExtra = 0;
    for (auto _ : state) {
        std::vector<uint8_t>().swap(out);
        peakExtra = std::max(peakExtra, PeakBytesDuring([&] { out = EncodeRgz(raster, level); }));
        benchmark::DoNotOptimize(out.data());
    }
    SetCounters(state, raster.PixelCount(), out.size(), block + peakExtra - out.size());
}

void Decode(benchmark::State& state, std::string name, RgzLevel level)
{
    std::vector<uint8_t> file;
    {
        CMapRaster picture;
        if (!TakePicture(state, name, picture))
            return;
        file = EncodeRgz(picture, level);
    }
    // One decode into a new raster measures the memory; the timed ones reuse it.
    CMapRaster raster;
    const size_t peak = PeakBytesDuring([&] { DecodeRgz(file, raster); });
    for (auto _ : state) {
        DecodeRgz(file, raster);
        benchmark::DoNotOptimize(raster.IndexPlane());
    }
    SetCounters(state, raster.PixelCount(), file.size(), peak);
}

void Register(const std::string& name)
{
    const struct {
        RgzLevel level;
        const char* label;
    } levels[] = {{RgzLevel::Fast, "default"}, {RgzLevel::Best, "best"}};
    for (const auto& level : levels) {
        benchmark::RegisterBenchmark(("RgzEncode/" + std::string(level.label) + "/" + name).c_str(),
                                     Encode, name, level.level)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("RgzDecode/" + std::string(level.label) + "/" + name).c_str(),
                                     Decode, name, level.level)
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Register(GENERATED);
    for (const char* name : CORPUS_MAPS)
        Register(name);
    // Initialize has taken its options out of argv: the rest name maps.
    for (int a = 1; a < argc; ++a)
        Register(argv[a]);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
