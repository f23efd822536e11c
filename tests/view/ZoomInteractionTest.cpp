// Rubber-band zoom, double-click reset and scrolling, driven by mouse and
// keyboard events on a shown view.
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <QTest>

#include <cmath>
#include <QWheelEvent>

using namespace viewtest;

namespace {

class ZoomInteraction : public ::testing::Test {
protected:
    void SetUp() override
    {
        FillDocument(doc, 400, 300);
        view = ShowView(doc, 1000, 800);
        ASSERT_TRUE(view);
    }

    QWidget* Client() { return view->viewport(); }

    // Presses at `from`, drags through the midpoint to `to`, releases.
    void DragBand(QPoint from, QPoint to)
    {
        QTest::mousePress(Client(), Qt::LeftButton, {}, from);
        QTest::mouseMove(Client(), (from + to) / 2);
        QTest::mouseMove(Client(), to);
        QTest::mouseRelease(Client(), Qt::LeftButton, {}, to);
    }

    // One Ctrl + wheel notch (positive: away from the user, zooms in) at `at`.
    void CtrlWheel(QPoint at, int notches)
    {
        QWheelEvent wheel(at, Client()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Client(), &wheel);
    }

    CKarvexDoc doc;
    std::unique_ptr<CKarvexView> view;
};

TEST_F(ZoomInteraction, RightwardBandZoomsInOnItsCentreLeftwardZoomsOut)
{
    // 100 of 1000 pixels: zoom 10. The band's centre, picture point (250, 230),
    // is centred by scrolling to (2500 - 500, 2300 - 400).
    DragBand({200, 200}, {300, 260});
    EXPECT_DOUBLE_EQ(view->m_dZoom, 10.0);
    EXPECT_EQ(view->GetScrollPosition(), QPoint(2000, 1900));
    double x = 500, y = 400;
    view->ClientToImage(x, y);
    EXPECT_NEAR(x, 250.0, 0.1);
    EXPECT_NEAR(y, 230.0, 0.1);

    DragBand({300, 200}, {200, 260});
    EXPECT_DOUBLE_EQ(view->m_dZoom, 1.0);
}

TEST_F(ZoomInteraction, SixteenPixelBandZoomsFifteenDoesNot)
{
    DragBand({500, 400}, {515, 500});  // 15 wide
    EXPECT_EQ(view->m_dZoom, 1.0);
    DragBand({500, 400}, {600, 415});  // 15 high
    EXPECT_EQ(view->m_dZoom, 1.0);
    DragBand({500, 400}, {516, 384});  // 16 x 16, dragged upwards: ratio 62.5, capped
    EXPECT_EQ(view->m_dZoom, 20.0);
}

TEST_F(ZoomInteraction, ZoomStopsAt20AndCentresAsFarAsTheRangeAllows)
{
    // (QTest takes the point (0, 0) for "the widget's centre", so start at (1, 1).)
    DragBand({1, 1}, {21, 21});  // ratio 50
    EXPECT_EQ(view->m_dZoom, 20.0);
    EXPECT_EQ(view->GetScrollPosition(), QPoint(0, 0));  // asked (-279, -179)
    double x = 220, y = 220;
    view->ClientToImage(x, y);
    EXPECT_DOUBLE_EQ(x, 11.0);  // the band's centre shows at (220, 220), not the centre
    EXPECT_DOUBLE_EQ(y, 11.0);
}

TEST_F(ZoomInteraction, TimerRepaintIsOffExactlyWhileABandIsTracked)
{
    ASSERT_EQ(g_bTimerRepaint, 1);
    QTest::mousePress(Client(), Qt::LeftButton, {}, {100, 100});
    EXPECT_EQ(g_bTimerRepaint, 0);
    QTest::mouseMove(Client(), {300, 300});
    EXPECT_EQ(g_bTimerRepaint, 0);
    QTest::mouseRelease(Client(), Qt::LeftButton, {}, {300, 300});
    EXPECT_EQ(g_bTimerRepaint, 1);

    // A view closed in the middle of a band does not leave the timer stopped.
    QTest::mousePress(Client(), Qt::LeftButton, {}, {100, 100});
    ASSERT_EQ(g_bTimerRepaint, 0);
    view.reset();
    EXPECT_EQ(g_bTimerRepaint, 1);
}

TEST_F(ZoomInteraction, EscapeOrRightButtonCancelTheBand)
{
    QTest::mousePress(Client(), Qt::LeftButton, {}, {100, 100});
    QTest::mouseMove(Client(), {400, 400});
    QTest::keyClick(view.get(), Qt::Key_Escape);
    EXPECT_EQ(g_bTimerRepaint, 1);
    QTest::mouseRelease(Client(), Qt::LeftButton, {}, {400, 400});
    EXPECT_EQ(view->m_dZoom, 1.0);

    QTest::mousePress(Client(), Qt::LeftButton, {}, {100, 100});
    QTest::mouseMove(Client(), {400, 400});
    QTest::mousePress(Client(), Qt::RightButton, Qt::NoModifier, {400, 400});
    EXPECT_EQ(g_bTimerRepaint, 1);
    QTest::mouseRelease(Client(), Qt::RightButton, {}, {400, 400});
    QTest::mouseRelease(Client(), Qt::LeftButton, {}, {400, 400});
    EXPECT_EQ(view->m_dZoom, 1.0);
    EXPECT_EQ(view->GetScrollPosition(), QPoint(0, 0));
}

TEST_F(ZoomInteraction, DoubleClickGoesBackToZoomOneAtTheOrigin)
{
    DragBand({200, 200}, {300, 260});
    ASSERT_NE(view->GetScrollPosition(), QPoint(0, 0));
    QTest::mouseDClick(Client(), Qt::LeftButton, {}, {600, 600});
    EXPECT_EQ(view->m_dZoom, 1.0);
    EXPECT_EQ(view->GetScrollPosition(), QPoint(0, 0));
    EXPECT_EQ(view->GetScrollSizes().totalWidth, 400);
    EXPECT_EQ(view->GetScrollSizes().totalHeight, 300);
    EXPECT_EQ(g_bTimerRepaint, 1);
}

TEST_F(ZoomInteraction, ScrollBarsFollowTheZoom)
{
    view->m_dZoom = 2.0;
    view->OnInitialUpdate();
    const ScrollSizes& s = view->GetScrollSizes();
    EXPECT_EQ(s.totalWidth, 800);
    EXPECT_EQ(s.pageHeight, 60);
    EXPECT_EQ(s.lineWidth, 8);
    // The 800 x 600 picture fits the 1000 x 800 client: nothing to scroll.
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);

    view->m_dZoom = 5.0;  // 2000 x 1500
    view->OnInitialUpdate();
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 1000);
    EXPECT_EQ(view->verticalScrollBar()->maximum(), 700);
    EXPECT_EQ(view->horizontalScrollBar()->pageStep(), 200);
    EXPECT_EQ(view->verticalScrollBar()->singleStep(), 15);

    view->CenterOnImagePoint(1000, 1000);  // far past the end: limited
    EXPECT_EQ(view->GetScrollPosition(), QPoint(1000, 700));

    view->verticalScrollBar()->setValue(100);
    QWheelEvent down(QPointF(500, 400), view->mapToGlobal(QPointF(500, 400)), QPoint(), QPoint(0, -120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Client(), &down);
    EXPECT_GT(view->GetScrollPosition().y(), 100);
}

TEST_F(ZoomInteraction, EachViewHasItsOwnZoom)
{
    DragBand({200, 200}, {300, 260});
    auto second = ShowView(doc, 300, 200);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->m_dZoom, 1.0);
    EXPECT_EQ(second->GetScrollSizes().totalWidth, 400);
    EXPECT_DOUBLE_EQ(view->m_dZoom, 10.0);
}

TEST_F(ZoomInteraction, RepeatedLeftwardBandsStillDraw)
{
    for (int i = 0; i < 6; ++i)
        DragBand({600, 200}, {500, 300});
    EXPECT_LT(view->m_dZoom, 1e-5);
    EXPECT_EQ(view->GetScrollSizes().totalWidth, 0);
    const QImage shot = Grab(*view);
    EXPECT_EQ(shot.pixel(0, 0), ColourOf(PixelAt(0, 0)));
    EXPECT_EQ(shot.pixel(1, 1), qRgb(0, 0, 0));
}

TEST_F(ZoomInteraction, CtrlWheelZoomsAboutThePixelUnderTheCursorWithinTheLimits)
{
    view->m_dZoom = 4.0;  // 1600 x 1200: room to scroll both ways
    view->OnInitialUpdate();
    view->horizontalScrollBar()->setValue(300);
    view->verticalScrollBar()->setValue(200);
    const QPoint cursor(437, 391);  // the scroll range never holds the picture back below
    double x0 = cursor.x(), y0 = cursor.y();
    view->ClientToImage(x0, y0);

    for (int notches : {1, 1, -2, -1}) {
        const double before = view->m_dZoom;
        CtrlWheel(cursor, notches);
        EXPECT_DOUBLE_EQ(view->m_dZoom, before * std::pow(1.25, notches));
        double x = cursor.x(), y = cursor.y();
        view->ClientToImage(x, y);
        EXPECT_EQ(int(x), int(x0));
        EXPECT_EQ(int(y), int(y0));
    }
    EXPECT_EQ(g_bTimerRepaint, 1);

    CtrlWheel(cursor, 40);
    EXPECT_EQ(view->m_dZoom, 20.0);
    CtrlWheel(cursor, -60);
    EXPECT_EQ(view->m_dZoom, 0.01);
    EXPECT_EQ(view->GetScrollSizes().totalWidth, 4);
}

TEST_F(ZoomInteraction, MiddleButtonDragPansAndTheLeftButtonStillBands)
{
    view->m_dZoom = 5.0;  // 2000 x 1500 in 1000 x 800
    view->OnInitialUpdate();
    view->horizontalScrollBar()->setValue(500);
    view->verticalScrollBar()->setValue(300);

    QTest::mousePress(Client(), Qt::MiddleButton, {}, {400, 400});
    EXPECT_EQ(g_bTimerRepaint, 1);  // no band
    QTest::mouseMove(Client(), {300, 450});
    EXPECT_EQ(view->GetScrollPosition(), QPoint(600, 250));
    QTest::mouseMove(Client(), {-2000, 900});  // as far as the range goes
    EXPECT_EQ(view->GetScrollPosition(), QPoint(1000, 0));
    QTest::mouseRelease(Client(), Qt::MiddleButton, {}, {-2000, 900});
    QTest::mouseMove(Client(), {500, 500});
    EXPECT_EQ(view->GetScrollPosition(), QPoint(1000, 0));
    EXPECT_EQ(view->m_dZoom, 5.0);

    DragBand({200, 200}, {300, 260});
    EXPECT_DOUBLE_EQ(view->m_dZoom, 20.0);
}

TEST_F(ZoomInteraction, FitToWindowShowsTheWholePictureFromTheOrigin)
{
    DragBand({200, 200}, {300, 260});
    view->FitToWindow();
    EXPECT_DOUBLE_EQ(view->m_dZoom, 2.5);  // 400 x 300 in 1000 x 800: the width decides
    EXPECT_EQ(view->GetScrollPosition(), QPoint(0, 0));
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(view->verticalScrollBar()->maximum(), 0);

    CKarvexDoc tiny;
    FillDocument(tiny, 3, 2);
    auto small = ShowView(tiny, 1000, 800);
    ASSERT_TRUE(small);
    small->FitToWindow();
    EXPECT_EQ(small->m_dZoom, 20.0);
}

}  // namespace
