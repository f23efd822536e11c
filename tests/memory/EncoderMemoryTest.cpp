// The encoder's working memory, counted allocation by allocation. A program
// of its own: counting replaces the global operator new.
#include "bench/CountingAllocator.h"
#include "codec/MapRaster.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// The raster's block and what Encode allocates, less the output, per pixel:
// at most 12 on pictures a pixel or a few thin, where whatever is kept per
// row or per column weighs most. A checker the cleanup paints over surrounds
// a solid middle third that survives it.
TEST(EncoderMemory, ThinPicturesTakeAtMostTwelveBytesPerPixel)
{
    for (const auto& [w, h] : {std::pair{65535u, 1u}, {65535u, 3u}, {1u, 65535u}}) {
        CMapRaster r;
        r.Resize(w, h);
        r.colorCount = 3;
        const uint32_t along = w > h ? w : h;
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t at = w > h ? x : y;
                r.indexRows[y][x] = at >= along / 3 && at < 2 * along / 3 ? 2 : uint8_t((x + y) & 1);
            }
        std::vector<uint8_t> out;
        const size_t peak = PeakBytesDuring([&] { r.Encode(out); });
        const double perPixel = double(CMapRaster::BlockBytes(w, h) + peak - out.size()) / double(r.PixelCount());
        EXPECT_LE(perPixel, 12.0) << w << " x " << h;
    }
}

}  // namespace
