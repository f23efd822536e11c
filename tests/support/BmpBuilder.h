// Bitmap files built field by field, for the reader's tests and the rgm
// tool's limit tests.
#pragma once

#include "codec/ByteOrder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

// Builds bitmap files field by field so each test can state its variant.
struct BmpBuilder {
    uint32_t headerSize = 40;
    int32_t width = 1, height = 1;
    uint16_t bitsPerPixel = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::vector<uint32_t> table;  // 0xRRGGBB words
    std::vector<uint32_t> masks;  // stored right after the 40 header fields
    std::vector<uint8_t> pixelData;
    uint32_t fileSizeField = 0;

    std::vector<uint8_t> Bytes() const
    {
        const bool core = headerSize == 12;
        const size_t entry = core ? 3 : 4;
        const size_t maskBytes = headerSize == 40 ? 4 * masks.size() : 0;
        const size_t tableAt = 14 + headerSize + maskBytes;
        const size_t pixelsAt = tableAt + entry * table.size();
        std::vector<uint8_t> b(pixelsAt);
        b[0] = 'B', b[1] = 'M';
        StoreU32(b.data() + 2, fileSizeField);
        StoreU32(b.data() + 10, uint32_t(pixelsAt));
        StoreU32(b.data() + 14, headerSize);
        if (core) {
            StoreU16(b.data() + 18, uint32_t(width)), StoreU16(b.data() + 20, uint32_t(height));
            StoreU16(b.data() + 22, 1), StoreU16(b.data() + 24, bitsPerPixel);
        } else {
            StoreU32(b.data() + 18, uint32_t(width)), StoreU32(b.data() + 22, uint32_t(height));
            StoreU16(b.data() + 26, 1), StoreU16(b.data() + 28, bitsPerPixel);
            StoreU32(b.data() + 30, compression), StoreU32(b.data() + 46, colorsUsed);
            for (size_t i = 0; i < masks.size(); ++i)
                StoreU32(b.data() + 54 + 4 * i, masks[i]);
        }
        for (size_t i = 0; i < table.size(); ++i) {
            b[tableAt + entry * i] = uint8_t(table[i]);
            b[tableAt + entry * i + 1] = uint8_t(table[i] >> 8);
            b[tableAt + entry * i + 2] = uint8_t(table[i] >> 16);
        }
        b.insert(b.end(), pixelData.begin(), pixelData.end());
        return b;
    }
};

}  // namespace testsupport
