// Helpers for tests and fuzz targets that handle .rgz files.
#pragma once

#include "codec/ByteOrder.h"
#include "rgz/RgzContainer.h"
#include "rgz/RgzFormat.h"

#include <cstdint>
#include <vector>

namespace testsupport {

// Makes the stored checksum right again after bytes were changed.
inline void FixRgzChecksum(std::vector<uint8_t>& file)
{
    if (file.size() < RGZ_CHECKSUM_BYTES)
        return;
    const size_t at = file.size() - RGZ_CHECKSUM_BYTES;
    StoreU32(file.data() + at, RgzChecksum({file.data(), at}));
}

}  // namespace testsupport
