// Prints, per corpus map, the bytes of the .rgz pixel layer at both levels,
// its bits per pixel and its encode and decode speeds, and checks that it
// decodes to the picture. Arguments: parts of map names to keep (all when none).
#include "codec/MapRaster.h"
#include "rgz/LayerStats.h"
#include "rgz/PixelLayer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <new>
#include <iterator>
#include <string>
#include <vector>

// Heap in use and its peak, so the tool reports the memory the layer takes.
namespace {
size_t heapNow = 0, heapPeak = 0;
}

void* operator new(size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    heapNow += malloc_usable_size(p);
    heapPeak = std::max(heapPeak, heapNow);
    return p;
}
void operator delete(void* p) noexcept
{
    if (p)
        heapNow -= malloc_usable_size(p);
    std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

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
    double memory;  // peak heap of encoding or decoding, bytes per pixel
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
    const size_t heapBefore = heapNow;
    heapPeak = heapNow;
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
    size_t peak = heapPeak - heapBefore;
    std::vector<uint8_t> back(n);
    heapPeak = heapNow;
    const size_t decodeBefore = heapNow;
    t0 = Now();
    RangeDecoder dec(bytes.data(), bytes.data() + bytes.size());
    DecodePixelLayer(w.data(), back.data(), raster.width, raster.height, raster.palette,
                     raster.colorCount, level, dec);
    const double td = (Now() - t0);
    peak = std::max(peak, heapPeak - decodeBefore);
    return {bytes.size(), n / te / 1e6, n / td / 1e6, double(peak) / double(n),
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
    std::printf("%-40s %10s %7s %6s %6s %6s %10s %7s %6s %6s %6s\n", "map", "fast B", "bpp",
                "encMP", "decMP", "B/px", "best B", "bpp", "encMP", "decMP", "B/px");
    size_t totalFast = 0, totalBest = 0;
    for (const auto& path : maps) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> file {std::istreambuf_iterator<char>(in), {}};
        CMapRaster raster;
        raster.Decode(file.size(), file.data());
        raster.RemoveSmallRegions();
        const size_t n = raster.PixelCount();
        const std::vector<uint8_t> w(raster.WorkPlane(), raster.WorkPlane() + n);
        const Measured none {0, 0, 0, 0, true};
        const Measured fast = bestOnly ? none : Measure(raster, w, RgzLevel::Fast);
        const Measured best = fastOnly ? none : Measure(raster, w, RgzLevel::Best);
        totalFast += fast.bytes;
        totalBest += best.bytes;
        std::printf("%-40s %10zu %7.4f %6.1f %6.1f %6.2f %10zu %7.4f %6.1f %6.1f %6.2f%s\n",
                    path.stem().string().c_str(), fast.bytes, fast.bytes * 8.0 / n, fast.encodeMps,
                    fast.decodeMps, fast.memory, best.bytes, best.bytes * 8.0 / n,
                    best.encodeMps, best.decodeMps, best.memory,
                    fast.same && best.same ? "" : "  ROUND TRIP FAILED");
    }
    std::printf("%-40s %10zu %7s %6s %6s %10zu\n", "total", totalFast, "", "", "", totalBest);
}
