// Strip arithmetic of the map view: which part of the picture one paint shows,
// and how it is copied or sampled into an 8-bit strip of palette indices.
// Plain functions over plain buffers, so they can be tested without a widget.
#pragma once

#include <cstddef>
#include <cstdint>

class CMapRaster;

// A rectangle in screen pixels on the zoomed picture (right and bottom exclusive).
struct SourceRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// What one paint does: fill a stripWidth x stripHeight strip, then draw it at
// the client's top-left with the size destWidth x destHeight.
struct StripPlan {
    enum class Mode { Crop, Sample };
    Mode mode = Mode::Crop;
    int cropX = 0;  // Crop: first picture pixel
    int cropY = 0;
    double sampleX = 0;  // Sample: picture position of strip pixel (0, 0)
    double sampleY = 0;
    double step = 1;  // Sample: picture pixels per strip pixel
    int stripWidth = 0;  // always a multiple of 4
    int stripHeight = 0;
    int destWidth = 0;
    int destHeight = 0;
};

// The source rectangle of a paint: the client area at the scroll position,
// its width raised to a multiple of 4.
SourceRect ClientSourceRect(int scrollX, int scrollY, int clientWidth, int clientHeight);

// Strip sizes and the copy or sampling that show `source` at zoom z.
// Enlarging (z > 1) crops the visible picture pixels and stretches them;
// otherwise the strip is as large as the source rectangle.
StripPlan PlanStrip(const SourceRect& source, double z);

// Shrinks a plan so that its strip fits stripBytes and its width fits the
// column table (and the destination shrinks with it). Returns true when the
// plan was cut.
bool ClampPlan(StripPlan& plan, size_t stripBytes, size_t columnEntries);

// Fills the strip of a plan from the raster's IndexPlane.
void RenderStrip(const CMapRaster& raster, const StripPlan& plan, uint8_t* strip, int32_t* columns);

// One-to-one copy of the picture rectangle at (x0, y0) into a w x h strip;
// strip bytes the picture does not cover hold 255.
void CropToStrip(const CMapRaster& raster, int x0, int y0, int w, int h, uint8_t* dst);

// Nearest-neighbour reduction into a w x h strip: strip pixel (j, i) shows
// picture column trunc(fx0 + j * step + 0.5) and row trunc(fy0 + i * step),
// the row position accumulated by addition. `columns` has room for w entries.
// Strip bytes outside the picture hold 255.
void SampleToStrip(const CMapRaster& raster, double fx0, double fy0, double step, int w, int h,
                   uint8_t* dst, int32_t* columns);

// Looks every strip byte up in a 256-entry colour table.
void ExpandThroughColorTable(const uint8_t* strip, size_t count, const uint32_t* table, uint32_t* out);

// Colour-table entries (0xAARRGGBB, alpha 255) from palette entries
// (red | green << 8 | blue << 16).
void PaletteToColorTable(const uint32_t* palette, uint32_t* table, int count);
