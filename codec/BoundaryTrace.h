// The tracer's view of the edge bits in the FlagPlane.
#pragma once

#include "codec/MapRaster.h"

#include <cstdint>

// Tests and clears cracks between neighbouring lattice vertices. Made afresh
// for each chain; owns nothing.
struct EdgeGrid {
    PlaneRows rows;  // the FlagPlane's
    uint16_t width;
    uint16_t height;

    // Whether the crack from vertex (x1, y1) to its neighbour (x2, y2) is
    // marked. Vertices on the right or bottom edge report 0.
    bool TestCrack(uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2) const
    {
        if (x1 >= width || y1 >= height)
            return false;
        if (x1 == x2)
            return rows[y1 < y2 ? y1 : y2][x1] & EDGE_LEFT;
        return rows[y1][x1 < x2 ? x1 : x2] & EDGE_TOP;
    }

    // Clears both edge bits of the crack from (x1, y1) to (x2, y2).
    void ClearCrack(uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2)
    {
        if (x1 == x2) {
            const uint16_t y = y1 < y2 ? y1 : y2;
            rows[y][x1] &= uint8_t(~EDGE_LEFT);
            if (x1 > 0)
                rows[y][x1 - 1] &= uint8_t(~EDGE_RIGHT);
        } else {
            const uint16_t x = x1 < x2 ? x1 : x2;
            rows[y1][x] &= uint8_t(~EDGE_TOP);
            if (y1 > 0)
                rows[y1 - 1][x] &= uint8_t(~EDGE_BOTTOM);
        }
    }
};
