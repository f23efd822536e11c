// Changed bit from W's differences around the pixel and the changed bits
// above and left; a changed pixel's colour from a tree keyed by W there.
#include "rgz/PlaceholderPixelLayer.h"

#include "rgz/CoderIo.h"
#include "rgz/ColourTree.h"
#include "rgz/RgzError.h"

#include <memory>

namespace {

template <typename Io>
void CodeLayer(Io& io, const uint8_t* w, uint8_t* i, uint32_t width, uint32_t height, int colourCount)
{
    auto changedModels = std::make_unique<AdaptiveBit[]>(256);
    ColourTree tree(256);
    const ColourSet palette = ColourSet::FirstN(colourCount);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const size_t p = size_t(y) * width + x;
            const uint8_t c = w[p];
            auto wDiffers = [&](int dx, int dy) {
                const uint32_t nx = x + uint32_t(dx), ny = y + uint32_t(dy);
                return nx < width && ny < height && w[size_t(ny) * width + nx] != c;
            };
            auto changed = [&](int dx, int dy) {
                const uint32_t nx = x + uint32_t(dx), ny = y + uint32_t(dy);
                if (nx >= width || ny >= height)
                    return false;
                const size_t q = size_t(ny) * width + nx;
                return i[q] != w[q];
            };
            const unsigned ctx = unsigned(wDiffers(-1, 0)) | unsigned(wDiffers(1, 0)) << 1 |
                                 unsigned(wDiffers(0, -1)) << 2 | unsigned(wDiffers(0, 1)) << 3 |
                                 unsigned(changed(-1, 0)) << 4 | unsigned(changed(0, -1)) << 5 |
                                 unsigned(changed(-1, -1)) << 6 | unsigned(changed(1, -1)) << 7;
            const int isChanged = io.Code(changedModels[ctx], int(!Io::decoding && i[p] != c));
            if (!isChanged) {
                if constexpr (Io::decoding)
                    i[p] = c;
                continue;
            }
            ColourSet allowed = palette;
            allowed.Remove(c);
            if constexpr (Io::decoding) {
                if (allowed.Empty())
                    throw RgzFormatError("a pixel of a one-colour picture differs from it", io.dec.offset());
            }
            i[p] = uint8_t(tree.Code(io, c, allowed, i[p]));
        }
    }
}

}  // namespace

void EncodePixelLayer(const uint8_t* w, const uint8_t* i, uint32_t width, uint32_t height, const uint32_t*,
                      int colourCount, RgzLevel, RangeEncoder& enc)
{
    EncodeIo io{enc};
    CodeLayer(io, w, const_cast<uint8_t*>(i), width, height, colourCount);
}

void DecodePixelLayer(const uint8_t* w, uint8_t* i, uint32_t width, uint32_t height, const uint32_t*,
                      int colourCount, RgzLevel, RangeDecoder& dec)
{
    DecodeIo io{dec};
    CodeLayer(io, w, i, width, height, colourCount);
}
