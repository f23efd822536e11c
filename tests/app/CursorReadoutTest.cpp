// The status bar's read-out: picture coordinates and colour under the cursor.
#include "AppFixture.h"
#include "app/CursorReadout.h"
#include "doc/qt/KarvexDoc.h"
#include "view/KarvexView.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScrollBar>

#include <cstdlib>

namespace {

constexpr uint32_t kBrown = 153 | 102 << 8 | 51 << 16;

// A 4 x 3 picture: column 0 brown (entry 1), the rest entry 0 (black).
void FillPicture(CMapRaster& raster)
{
    raster.Resize(4, 3);
    raster.colorCount = 2;
    raster.palette[0] = 0;
    raster.palette[1] = kBrown;
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            raster.indexRows[y][x] = x == 0 ? 1 : 0;
}

TEST(CursorReadout, DividesClientPlusScrollByTheZoomAndTruncatesTowardZero)
{
    CMapRaster empty;
    const CursorReadout zoomed = ReadPixelUnderCursor({5, 7}, {10, 0}, 2.0, empty);
    EXPECT_EQ(zoomed.x, 7);
    EXPECT_EQ(zoomed.y, 3);
    const CursorReadout shrunk = ReadPixelUnderCursor({3, 3}, {0, 0}, 0.5, empty);
    EXPECT_EQ(shrunk.x, 6);
    EXPECT_EQ(shrunk.y, 6);
    EXPECT_EQ(shrunk.RgbText(), "rgb=(0,0,0)");
}

TEST(CursorReadout, ColourOfThePixelInsideAndZeroOutside)
{
    CMapRaster raster;
    FillPicture(raster);
    // Just left of the view at zoom 2: -0.5 truncates to column 0.
    const CursorReadout edge = ReadPixelUnderCursor({-1, 0}, {0, 0}, 2.0, raster);
    EXPECT_EQ(edge.XText(), "x=0");
    EXPECT_EQ(edge.RgbText(), "rgb=(153,102,51)");

    const CursorReadout above = ReadPixelUnderCursor({0, -5}, {0, 0}, 1.0, raster);
    EXPECT_EQ(above.YText(), "y=-5");
    EXPECT_EQ(above.RgbText(), "rgb=(0,0,0)");

    EXPECT_EQ(ReadPixelUnderCursor({4, 0}, {0, 0}, 1.0, raster).colour, 0u);  // right of the picture
    EXPECT_EQ(ReadPixelUnderCursor({0, 3}, {0, 0}, 1.0, raster).colour, 0u);  // below it
    EXPECT_EQ(ReadPixelUnderCursor({0, 2}, {0, 0}, 1.0, raster).colour, kBrown);
}

TEST(CursorReadout, HugeQuotientsStayOutsideThePicture)
{
    CMapRaster raster;
    FillPicture(raster);
    const CursorReadout far = ReadPixelUnderCursor({1000000, -1000000}, {0, 0}, 1e-6, raster);
    EXPECT_EQ(far.colour, 0u);
    EXPECT_GT(far.x, 0);
    EXPECT_LT(far.y, 0);
}

class ReadoutTick : public AppFixture {
protected:
    CKarvexView* NewDocumentView()
    {
        app->OnFileNew();
        return frame->ActiveChildFrame()->GetActiveView();
    }
    void TickAtClient(CKarvexView* view, QPoint client) { frame->Tick(view->viewport()->mapToGlobal(client)); }
};

TEST_F(ReadoutTick, UsesTheActiveViewsZoomAndScrollPosition)
{
    Start();
    CKarvexView* view = NewDocumentView();
    FillPicture(view->GetDocument()->raster);
    view->m_dZoom = 2.0;
    view->horizontalScrollBar()->setRange(0, 100);
    view->horizontalScrollBar()->setValue(10);
    view->verticalScrollBar()->setValue(0);

    TickAtClient(view, {5, 7});
    EXPECT_EQ(frame->PaneText(4), "x=7");
    EXPECT_EQ(frame->PaneText(5), "y=3");
    EXPECT_EQ(frame->PaneText(6), "rgb=(0,0,0)");  // (7, 3) is right of the picture

    view->horizontalScrollBar()->setValue(0);
    TickAtClient(view, {-1, 2});
    EXPECT_EQ(frame->PaneText(4), "x=0");
    EXPECT_EQ(frame->PaneText(6), "rgb=(153,102,51)");
}

TEST_F(ReadoutTick, EmptyDocumentShowsCoordinatesAndBlack)
{
    Start();
    CKarvexView* view = NewDocumentView();
    TickAtClient(view, {12, -5});
    EXPECT_EQ(frame->PaneText(4), "x=12");
    EXPECT_EQ(frame->PaneText(5), "y=-5");
    EXPECT_EQ(frame->PaneText(6), "rgb=(0,0,0)");
}

TEST_F(ReadoutTick, WithoutADocumentWindowThePanesKeepTheirText)
{
    Start();
    frame->Tick(QPoint(100, 100));
    EXPECT_EQ(frame->PaneText(4), "x=????");
    EXPECT_EQ(frame->PaneText(6), "rgb=(???,???,???)");

    // After the last window closes they keep the last values written.
    CKarvexView* view = NewDocumentView();
    TickAtClient(view, {1, 1});
    app->DocTemplate()->CloseAllDocuments();
    frame->Tick(QPoint(300, 300));
    EXPECT_EQ(frame->PaneText(4), "x=1");
}

TEST_F(ReadoutTick, ZoomPaneFollowsTheActiveView)
{
    Start();
    EXPECT_EQ(frame->PaneText(7), "????%");
    CKarvexView* view = NewDocumentView();
    TickAtClient(view, {1, 1});
    EXPECT_EQ(frame->PaneText(7), "100%");
    view->m_dZoom = 20.0;
    TickAtClient(view, {1, 1});
    EXPECT_EQ(frame->PaneText(7), "2000%");
    EXPECT_EQ(ZoomPercentText(0.12), "12%");
    EXPECT_EQ(ZoomPercentText(0.005), "0.5%");
}

TEST_F(ReadoutTick, LockPanesLightWhileTheirKeyIsOnAndAreGreyedWhenUnknown)
{
    Start();
    if (QGuiApplication::platformName() == "offscreen") {
        // Offscreen the platform cannot tell: all three greyed, saying why.
        for (int pane : {1, 2, 3}) {
            EXPECT_FALSE(frame->Pane(pane)->isEnabled());
            EXPECT_FALSE(frame->Pane(pane)->toolTip().isEmpty());
        }
    }
    frame->ShowLockKeys({true, false, std::nullopt});
    EXPECT_TRUE(frame->Pane(1)->isEnabled());
    EXPECT_FALSE(frame->Pane(2)->isEnabled());
    EXPECT_TRUE(frame->Pane(2)->toolTip().isEmpty());
    EXPECT_FALSE(frame->Pane(3)->isEnabled());
    EXPECT_FALSE(frame->Pane(3)->toolTip().isEmpty());
    EXPECT_EQ(frame->PaneText(1), QStringLiteral("大写"));
}

// Run under X11 (ctest runs it under Xvfb): the keyboard's indicators reach the panes.
TEST_F(ReadoutTick, OnX11TheCapsLockPaneFollowsTheKey)
{
    if (QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "needs an X server (QT_QPA_PLATFORM=xcb)";
    Start();
    auto pressCapsLock = [this] {
        ASSERT_EQ(std::system("xdotool key Caps_Lock"), 0);
        frame->Tick(QPoint());
    };
    frame->Tick(QPoint());
    ASSERT_TRUE(frame->Pane(1)->toolTip().isEmpty()) << "XKB has no Caps Lock indicator";
    const bool before = frame->Pane(1)->isEnabled();
    pressCapsLock();
    EXPECT_NE(frame->Pane(1)->isEnabled(), before);
    pressCapsLock();
    EXPECT_EQ(frame->Pane(1)->isEnabled(), before);
    EXPECT_TRUE(frame->Pane(2)->toolTip().isEmpty());  // Num Lock is known too
}

}  // namespace
