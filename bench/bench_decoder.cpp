// Decoding speed in megapixels per second: a synthetic 16-megapixel map of
// flat blocks, and the largest pictures of the shared corpus when present.
#include "codec/ByteOrder.h"
#include "codec/MapRaster.h"
#include "doc/SafeFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// A side x side picture of cell x cell blocks in 8 colours, neighbours always
// different, with the grid lines as chains.
std::vector<uint8_t> BlockMap(uint32_t side, uint32_t cell)
{
    std::vector<uint8_t> f;
    AppendU16(f, side);
    AppendU16(f, side);
    f.push_back(8);
    for (int i = 0; i < 8; ++i)
        for (int c = 0; c < 3; ++c)
            f.push_back(uint8_t(i * 30 + c * 7));
    const uint32_t cells = side / cell;
    for (uint32_t cy = 0; cy < cells; ++cy)
        for (uint32_t cx = 0; cx < cells; ++cx) {
            f.push_back(uint8_t((cx + 3 * cy) % 8));
            AppendU16(f, cx * cell);
            AppendU16(f, cy * cell);
        }
    f.push_back(0xFF);
    const uint32_t chains = 2 * (cells - 1);
    AppendU16(f, chains);
    AppendU16(f, 0);
    for (uint32_t k = 1; k < cells; ++k) {
        AppendU16(f, k * cell);  // vertical line from (k * cell, 0)
        AppendU16(f, 0);
    }
    for (uint32_t k = 1; k < cells; ++k) {
        AppendU16(f, 0);  // horizontal line from (0, k * cell)
        AppendU16(f, k * cell);
    }
    std::vector<uint8_t> codes;
    for (uint32_t k = 1; k < cells; ++k) {
        codes.insert(codes.end(), side, CRACK_DOWN);
        codes.push_back(CRACK_UP);
    }
    for (uint32_t k = 1; k < cells; ++k) {
        codes.insert(codes.end(), side, CRACK_RIGHT);
        codes.push_back(CRACK_LEFT);
    }
    for (size_t i = 0; i < codes.size(); i += 4) {
        uint8_t b = 0;
        for (size_t j = 0; j < 4 && i + j < codes.size(); ++j)
            b |= uint8_t(codes[i + j] << (2 * j));
        f.push_back(b);
    }
    f.push_back(0xFF);
    return f;
}

void Decode(benchmark::State& state, const std::vector<uint8_t>& file)
{
    CMapRaster raster;
    for (auto _ : state) {
        raster.Decode(file.size(), file.data());
        benchmark::DoNotOptimize(raster.IndexPlane());
    }
    state.counters["MPix/s"] = benchmark::Counter(double(raster.PixelCount()) / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DecodeBlockMap16M(benchmark::State& state)
{
    static const std::vector<uint8_t> file = BlockMap(4096, 64);
    Decode(state, file);
}
BENCHMARK(BM_DecodeBlockMap16M)->Unit(benchmark::kMillisecond);

void RegisterCorpus()
{
    const std::filesystem::path dir = std::filesystem::path(KARVEX_SHARED_DIR) / "corpus/expected";
    for (const char* name : {"v03_africa_political_large", "v04_china_provinces_albers_aa_large",
                             "v01_world_political_wintri"}) {
        const auto path = dir / (std::string(name) + ".rgm");
        if (!std::filesystem::exists(path))
            continue;
        auto file = std::make_shared<std::vector<uint8_t>>(ReadWholeFile(path.string()));
        benchmark::RegisterBenchmark(("BM_Decode/" + std::string(name)).c_str(),
                                     [file](benchmark::State& s) { Decode(s, *file); })
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    RegisterCorpus();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
