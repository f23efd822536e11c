// Helpers for the view tests: one QApplication and documents filled directly.
#pragma once

#include "doc/qt/KarvexDoc.h"
#include "view/KarvexView.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <memory>

namespace viewtest {

// The test program's QApplication (offscreen unless a platform is set).
QApplication& App();

// Pixel (x, y) of the test picture names palette entry (x + 2y) % 7.
uint8_t PixelAt(uint32_t x, uint32_t y);
// The test palette: entry i is a distinct colour; entry 255 is black.
QRgb ColourOf(uint8_t index);
void FillDocument(CKarvexDoc& doc, uint32_t width, uint32_t height);

// A shown view of `doc` whose client area is width x height.
std::unique_ptr<CKarvexView> ShowView(CKarvexDoc& doc, int width, int height);

// The view's client area as painted.
QImage Grab(CKarvexView& view);

}  // namespace viewtest
