// The status bar's map coordinates pane.
#include "AppFixture.h"
#include "doc/qt/KarvexDoc.h"
#include "view/KarvexView.h"

namespace {

class MapCoordinatesPane : public AppFixture {};

TEST_F(MapCoordinatesPane, ShowsThePixelCentreOnTheMapOnlyForAGeoreferencedPicture)
{
    Start();
    app->OnFileNew();
    CKarvexView* view = frame->ActiveChildFrame()->GetActiveView();
    const auto tick = [&] { frame->Tick(view->viewport()->mapToGlobal(QPoint(3, 1))); };
    tick();
    EXPECT_EQ(frame->PaneText(8), "");

    // Pixel (3, 1) at zoom 1: its centre is 3.5 pixels east and 1.5 south of the corner.
    view->GetDocument()->geo = GeoReference{{500000, 2.5, 0, 5400000, 0, -2.5}, ""};
    tick();
    EXPECT_EQ(frame->PaneText(8), "500008.75, 5399996.25");
    view->GetDocument()->geo = GeoReference{{10, 0.0005, 0, 50, 0, -0.0005}, ""};  // degrees
    tick();
    EXPECT_EQ(frame->PaneText(8), "10.001750, 49.999250");
}

}  // namespace
