// Crack coding with a causal template of the crack bits nearby.
#include "rgz/CrackLayer.h"

#include "rgz/CoderIo.h"

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Template: the crack bits (2 each) of the two pixels to the left and of the
// four pixels above from x-1 to x+2: 12 bits.
constexpr unsigned TEMPLATE_BITS = 12;

struct CrackModels {
    AdaptiveBit top[1u << TEMPLATE_BITS];
    AdaptiveBit left[1u << TEMPLATE_BITS][2];
    AdaptiveBit firstRowLeft[16];
    AdaptiveBit firstColumnTop[64];
};

uint32_t FindRoot(uint32_t* labels, uint32_t p)
{
    while (labels[p] != p) {
        labels[p] = labels[labels[p]];
        p = labels[p];
    }
    return p;
}

// Joins the pixels of row y with their left and upper neighbours where no
// crack separates them. The root of a region is always its earliest pixel.
void LabelRow(const uint8_t* cracks, uint32_t* labels, uint32_t width, uint32_t y)
{
    const uint32_t base = y * width;
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t p = base + x;
        const bool joinLeft = x > 0 && !(cracks[x] & CRACK_BIT_LEFT);
        const bool joinUp = y > 0 && !(cracks[x] & CRACK_BIT_TOP);
        if (joinLeft && joinUp) {
            uint32_t a = labels[p - 1], b = labels[p - width];
            if (a != b) {
                a = FindRoot(labels, a);
                b = FindRoot(labels, b);
                if (a > b)
                    std::swap(a, b);
                labels[b] = a;
            }
            labels[p] = a;
        } else if (joinLeft) {
            labels[p] = labels[p - 1];
        } else if (joinUp) {
            labels[p] = labels[p - width];
        } else {
            labels[p] = p;
        }
    }
}

template <typename Io>
void CodeCracks(Io& io, uint8_t* flags, uint32_t* labels, uint32_t width, uint32_t height)
{
    auto models = std::make_unique<CrackModels>();
    // Two rows of crack bits with two zero entries of margin on each side.
    std::vector<uint8_t> rowA(width + 4, 0), rowB(width + 4, 0);
    uint8_t* prev = rowA.data() + 2;
    uint8_t* cur = rowB.data() + 2;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* const row = flags + size_t(y) * width;
        if (y == 0) {
            cur[0] = 0;
            for (int x = 1; x < int(width); ++x) {
                const unsigned ctx = cur[x - 1] | cur[x - 2] << 2;
                cur[x] = uint8_t(io.Code(models->firstRowLeft[ctx], row[x] & CRACK_BIT_LEFT));
            }
        } else {
            const unsigned ctx0 = prev[0] | prev[1] << 2 | prev[2] << 4;
            cur[0] = uint8_t(io.Code(models->firstColumnTop[ctx0], (row[0] >> 1) & 1) << 1);
            for (int x = 1; x < int(width); ++x) {
                const unsigned ctx = cur[x - 1] | cur[x - 2] << 2 | prev[x - 1] << 4 | prev[x] << 6 |
                                     prev[x + 1] << 8 | prev[x + 2] << 10;
                const unsigned truth = row[x];
                const int top = io.Code(models->top[ctx], int(truth >> 1) & 1);
                const int up = prev[x] & CRACK_BIT_LEFT;
                const int left = cur[x - 1] >> 1;
                int leftCrack;
                if ((up | left) == 0)
                    leftCrack = top;  // a lone crack at the vertex is impossible
                else if (up + left + top == 1)
                    leftCrack = 1;
                else
                    leftCrack = io.Code(models->left[ctx][top], int(truth & 1));
                cur[x] = uint8_t(top << 1 | leftCrack);
            }
        }
        if constexpr (Io::decoding)
            std::memcpy(row, cur, width);
        LabelRow(cur, labels, width, y);
        std::swap(prev, cur);
    }
}

}  // namespace

void MarkCracks(const uint8_t* w, uint8_t* flags, uint32_t width, uint32_t height)
{
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = w + size_t(y) * width;
        const uint8_t* above = y > 0 ? row - width : row;
        uint8_t* out = flags + size_t(y) * width;
        out[0] = uint8_t(above[0] != row[0] ? CRACK_BIT_TOP : 0);
        for (uint32_t x = 1; x < width; ++x)
            out[x] = uint8_t((above[x] != row[x] ? CRACK_BIT_TOP : 0) | (row[x - 1] != row[x] ? CRACK_BIT_LEFT : 0));
    }
}

void EncodeCracks(const uint8_t* flags, uint32_t* labels, uint32_t width, uint32_t height, RgzLevel,
                  RangeEncoder& enc)
{
    EncodeIo io{enc};
    CodeCracks(io, const_cast<uint8_t*>(flags), labels, width, height);
}

void DecodeCracks(uint8_t* flags, uint32_t* labels, uint32_t width, uint32_t height, RgzLevel,
                  RangeDecoder& dec)
{
    DecodeIo io{dec};
    CodeCracks(io, flags, labels, width, height);
}
