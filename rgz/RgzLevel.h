// The two compression levels of .rgz; the file records which one wrote it.
#pragma once

#include <cstdint>

enum class RgzLevel : uint8_t {
    Fast = 0,  // every per-pixel step a small table lookup
    Best = 1,  // mixed models, smaller and slower
};
