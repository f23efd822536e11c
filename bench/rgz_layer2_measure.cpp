// Prints, per corpus map, the bytes of the .rgz pixel layer at both levels,
// its bits per pixel and its encode and decode speeds, and checks that it
// decodes to the picture. Arguments: parts of map names to keep (all when none).
#include "codec/MapRaster.h"
#include "rgz/LayerStats.h"
#include "rgz/PixelLayer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Processor time of this thread: the machine is shared, wall time says little.
double Now()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

struct Measured {
    size_t bytes;
    double encodeMps, decodeMps;
    bool same;
};

// Whether to print the ideal code length of each part (costs encoding time).
bool verbose = false;

Measured Measure(const CMapRaster& raster, const std::vector<uint8_t>& w, RgzLevel level)
{
    const size_t n = raster.PixelCount();
    for (int part = 0; part < rgz_stats::PART_COUNT; ++part)
        rgz_stats::bits[part] = rgz_stats::decisions[part] = 0;
    RangeEncoder enc;
    double t0 = Now();
    EncodePixelLayer(w.data(), raster.IndexPlane(), raster.width, raster.height, raster.palette,
                     raster.colorCount, level, enc);
    const std::vector<uint8_t> bytes = enc.Finish();
    const double te = (Now() - t0);
    if (verbose) {
        using namespace rgz_stats;
        std::printf("  %s: bytes (decisions) changed %.0f (%.0f), flags %.0f (%.0f), tree %.0f "
                    "(%.0f), quiet %.0f (%.0f)\n",
                    level == RgzLevel::Fast ? "fast" : "best", bits[CHANGED] / 8,
                    decisions[CHANGED], bits[FLAGS] / 8, decisions[FLAGS], bits[TREE] / 8,
                    decisions[TREE], bits[QUIET] / 8, decisions[QUIET]);
    }
    std::vector<uint8_t> back(n);
    t0 = Now();
    RangeDecoder dec(bytes.data(), bytes.data() + bytes.size());
    DecodePixelLayer(w.data(), back.data(), raster.width, raster.height, raster.palette,
                     raster.colorCount, level, dec);
    const double td = (Now() - t0);
    return {bytes.size(), n / te / 1e6, n / td / 1e6,
            std::memcmp(back.data(), raster.IndexPlane(), n) == 0};
}

}  // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path dir = std::filesystem::path(KARVEX_SHARED_DIR) / "corpus/expected";
    std::vector<std::filesystem::path> maps;
    // "--fast" or "--best" measures one level alone; "--parts" prints each part's cost.
    bool fastOnly = false, bestOnly = false;
    while (argc > 1 && argv[1][0] == '-') {
        fastOnly |= std::strcmp(argv[1], "--fast") == 0;
        bestOnly |= std::strcmp(argv[1], "--best") == 0;
        verbose |= std::strcmp(argv[1], "--parts") == 0;
        --argc;
        ++argv;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".rgm" || name.find(".c16.") != std::string::npos)
            continue;
        bool keep = argc < 2;
        for (int a = 1; a < argc; ++a)
            keep |= name.find(argv[a]) != std::string::npos;
        if (keep)
            maps.push_back(entry.path());
    }
    std::sort(maps.begin(), maps.end());
    std::printf("%-40s %10s %7s %6s %6s %10s %7s %6s %6s\n", "map", "fast B", "bpp", "encMP",
                "decMP", "best B", "bpp", "encMP", "decMP");
    size_t totalFast = 0, totalBest = 0;
    for (const auto& path : maps) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> file {std::istreambuf_iterator<char>(in), {}};
        CMapRaster raster;
        raster.Decode(file.size(), file.data());
        raster.RemoveSmallRegions();
        const size_t n = raster.PixelCount();
        const std::vector<uint8_t> w(raster.WorkPlane(), raster.WorkPlane() + n);
        const Measured none {0, 0, 0, true};
        const Measured fast = bestOnly ? none : Measure(raster, w, RgzLevel::Fast);
        const Measured best = fastOnly ? none : Measure(raster, w, RgzLevel::Best);
        totalFast += fast.bytes;
        totalBest += best.bytes;
        std::printf("%-40s %10zu %7.4f %6.1f %6.1f %10zu %7.4f %6.1f %6.1f%s\n",
                    path.stem().string().c_str(), fast.bytes, fast.bytes * 8.0 / n, fast.encodeMps,
                    fast.decodeMps, best.bytes, best.bytes * 8.0 / n, best.encodeMps,
                    best.decodeMps, fast.same && best.same ? "" : "  ROUND TRIP FAILED");
    }
    std::printf("%-40s %10zu %7s %6s %6s %10zu\n", "total", totalFast, "", "", "", totalBest);
}
