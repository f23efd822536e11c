// Painting a real view: what reaches the client area at different zooms.
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <QPainter>

using namespace viewtest;

namespace {

TEST(ViewPaint, ZoomOneShowsThePictureTopLeftAndBackgroundElsewhere)
{
    CKarvexDoc doc;
    FillDocument(doc, 40, 30);
    auto view = ShowView(doc, 101, 60);
    ASSERT_TRUE(view);
    const QImage shot = Grab(*view);
    ASSERT_EQ(shot.size(), QSize(101, 60));
    EXPECT_EQ(shot.pixel(0, 0), ColourOf(PixelAt(0, 0)));
    EXPECT_EQ(shot.pixel(39, 29), ColourOf(PixelAt(39, 29)));
    EXPECT_EQ(shot.pixel(13, 21), ColourOf(PixelAt(13, 21)));
    EXPECT_EQ(shot.pixel(40, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(100, 59), qRgb(0, 0, 0));
}

TEST(ViewPaint, EnlargedPixelsAreBlocksAndReducedOnesAreSampled)
{
    CKarvexDoc doc;
    FillDocument(doc, 500, 400);
    auto view = ShowView(doc, 200, 150);
    ASSERT_TRUE(view);
    for (double z : {3.0, 0.5}) {
        view->m_dZoom = z;
        view->OnInitialUpdate();
        const QImage shot = Grab(*view);
        for (int y = 0; y < 150; y += 7)
            for (int x = 0; x < 200; x += 5)
                ASSERT_EQ(shot.pixel(x, y), ColourOf(PixelAt(int(x / z), int(y / z))))
                    << "zoom " << z << " at " << x << "," << y;
    }
}

TEST(ViewPaint, StretchThatFallsShortOfTheClientLeavesNoStaleColumns)
{
    // Client 1000 wide at zoom 1000 / 80.5: the strip is 80 wide and stretches
    // to 993 columns; the last 7 must still be painted (background).
    CKarvexDoc doc;
    FillDocument(doc, 20, 20);
    auto view = ShowView(doc, 1000, 40);
    ASSERT_TRUE(view);
    view->m_dZoom = 1000 / 80.5;
    view->OnInitialUpdate();
    QImage canvas(1000, 40, QImage::Format_RGB32);
    canvas.fill(qRgb(1, 2, 3));
    {
        QPainter painter(&canvas);
        view->OnDraw(painter);
    }
    for (int x = 990; x < 1000; ++x)
        EXPECT_NE(canvas.pixel(x, 10), qRgb(1, 2, 3)) << x;
}

TEST(ViewPaint, EmptyDocumentPaintsBlack)
{
    CKarvexDoc doc;
    auto view = ShowView(doc, 64, 48);
    ASSERT_TRUE(view);
    const QImage shot = Grab(*view);
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(63, 47), qRgb(0, 0, 0));
    EXPECT_EQ(view->GetScrollSizes().totalWidth, 0);
}

TEST(ViewPaint, DocumentUpdateRefreshesSizesAndColours)
{
    CKarvexDoc doc;
    auto view = ShowView(doc, 64, 48);
    ASSERT_TRUE(view);
    FillDocument(doc, 500, 400);
    doc.raster.palette[PixelAt(0, 0)] = 0x0000FF;  // red
    doc.UpdateAllViews();
    EXPECT_EQ(view->GetScrollSizes().totalWidth, 500);
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 500 - 64);
    EXPECT_EQ(Grab(*view).pixel(0, 0), qRgb(255, 0, 0));
}

}  // namespace
