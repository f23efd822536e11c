// Zoom and scroll arithmetic of the map view, free of widgets.
#pragma once

#include <cstdint>

// Largest zoom a rubber band can reach.
constexpr double kMaxZoom = 20.0;
// A band narrower or lower than this (in client pixels) does nothing.
constexpr int kMinBandSide = 16;
// The wheel zooms by this factor per notch and not below kMinWheelZoom
// (a band can go further; the wheel then only zooms in).
constexpr double kWheelZoomStep = 1.25;
constexpr double kMinWheelZoom = 0.01;

// Scroll sizes per axis, in screen pixels of the zoomed picture.
struct ScrollSizes {
    int totalWidth = 0;
    int totalHeight = 0;
    int pageWidth = 0;
    int pageHeight = 0;
    int lineWidth = 0;
    int lineHeight = 0;
};

// Total = the picture size times the zoom (truncated); page = total / 10;
// line = page / 10.
ScrollSizes ScrollSizesFor(uint32_t width, uint32_t height, double zoom);

// The factor a finished band (client pixels, right < left or bottom < top
// allowed) multiplies the zoom by, or 0 when the band does nothing. A band
// dragged rightwards makes its width fill the client width; one dragged
// leftwards zooms out by its width over the client width.
double BandZoomRatio(int left, int top, int right, int bottom, int clientWidth);

// zoom * ratio, limited to kMaxZoom.
double ZoomedBy(double zoom, double ratio);

// Scroll position that puts picture point (x, y) at the client centre;
// negative coordinates become 0 (the scroll bars limit the other end).
struct ScrollTarget {
    int x = 0;
    int y = 0;
};
ScrollTarget CenteringScroll(double x, double y, double zoom, int clientWidth, int clientHeight);

// The zoom after `notches` wheel notches (positive zooms in), kept within
// kMinWheelZoom .. kMaxZoom; a zoom already beyond a limit is not moved
// further past it.
double WheelZoom(double zoom, int notches);

// The largest zoom (at most kMaxZoom) at which a width x height picture
// fits a clientWidth x clientHeight area; 1.0 for an empty picture.
double FitZoom(uint32_t width, uint32_t height, int clientWidth, int clientHeight);

// Scroll position that keeps picture point (x, y) at client point (cx, cy)
// at the given zoom; negative coordinates become 0.
ScrollTarget AnchoredScroll(double x, double y, double zoom, int cx, int cy);
