// What every truecolour reader promises for a picture it accepts.
#pragma once

#include "doc/TruecolorImport.h"

#include <cstdlib>

// Aborts (a finding) unless the picture has a size and exactly that many
// pixels, each a plain 24-bit colour.
inline void CheckAcceptedPicture(const TruecolorPicture& picture)
{
    if (picture.width < 1 || picture.height < 1 || picture.pixels.size() != size_t(picture.width) * picture.height)
        std::abort();
    for (uint32_t p : picture.pixels)
        if (p >> 24)
            std::abort();
}
