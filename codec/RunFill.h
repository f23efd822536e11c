// Collecting a 4-connected region of equal values as runs along rows.
//
// A run is a maximal row segment of one value; a region is the runs joined
// through pixels above or below each other. Runs are kept as their left
// pixel, and the right end is found again from the values, so the list needs
// at most one PackedPos per pixel. Row-wise work keeps large regions cheap.
#pragma once

#include "codec/MapRaster.h"

#include <cstddef>
#include <cstdint>

struct RegionRuns {
    PackedPos* end = nullptr;  // the runs lie in [queue, end)
    size_t pixels = 0;
    uint8_t flagsSeen = 0;     // OR of the FlagPlane bytes of the region before marking
};

// Collects the region of pixel (x, y) in plane (a picture-sized plane of the
// raster) into queue, the seed's run first, and sets `mark` in the FlagPlane
// of each of its pixels. Pixels that already carry `mark` must be whole
// regions of their own.
RegionRuns CollectRuns(const CMapRaster& raster, const uint8_t* plane, uint8_t mark, uint32_t x, uint32_t y,
                       PackedPos* queue);

// The end (one past the last pixel) of the run that starts at `run`.
uint32_t RunEnd(const CMapRaster& raster, const uint8_t* plane, PackedPos run);
