// Thumbnail time for the largest corpus map, as .rgm, as PNG and as the
// scanned JPEG: read, one decode, scale to 256 x 256 (writing the small PNG
// adds well under a millisecond).
#include "doc/Thumbnail.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

void Thumbnail(benchmark::State& state, const char* relativePath)
{
    const std::filesystem::path path = std::filesystem::path(KARVEX_SHARED_DIR) / relativePath;
    if (!std::filesystem::exists(path)) {
        state.SkipWithError("corpus picture not found");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeThumbnail(path.string(), 256));
}

BENCHMARK_CAPTURE(Thumbnail, v03_rgm, "corpus/expected/v03_africa_political_large.rgm")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Thumbnail, v03_png, "corpus/v03_africa_political_large.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Thumbnail, v13_jpg, "corpus/v13_africa_scanned_q80_large.jpg")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
