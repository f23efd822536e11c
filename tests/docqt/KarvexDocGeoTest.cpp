// The document keeps the georeferencing of the picture it opened and writes
// it with the picture it saves.
#include "docqt/FakePrompts.h"
#include "doc/BitmapWriter.h"
#include "doc/PictureGeoReference.h"
#include "doc/qt/KarvexDoc.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(KarvexDocGeo, TravelsFromAWorldFileIntoTheSavedRgzAndOutAgain)
{
    FakePrompts prompts;
    testsupport::TempDir dir;
    const GeoReference geo{{431234.5, 2.5, 0, 5412345.25, 0, -2.5}, "PROJCS[\"WGS 84 / UTM zone 33N\"]"};
    {
        CMapRaster raster;
        raster.Resize(3, 2);
        raster.colorCount = 2;
        std::fill_n(raster.IndexPlane(), 6, 1);
        WriteBmp8(raster, dir / "map.bmp");
    }
    WriteSidecarGeoReference(dir / "map.bmp", geo);

    CKarvexDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(dir / "map.bmp")));
    EXPECT_EQ(doc.geo, geo);
    prompts.saveReplies = {QString::fromStdString(dir / "map.rgz")};
    QString name = QString::fromStdString(dir / "map.bmp");
    ASSERT_TRUE(doc.OnSaveDocument(name));
    EXPECT_EQ(ReadPictureGeoReference(dir / "map.rgz"), geo);

    CKarvexDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(QString::fromStdString(dir / "map.rgz")));
    EXPECT_EQ(reopened.geo, geo);
    // A picture without a world file has none, also after one that had.
    std::filesystem::remove(dir / "map.bpw");
    ASSERT_TRUE(reopened.OnOpenDocument(QString::fromStdString(dir / "map.bmp")));
    EXPECT_EQ(reopened.geo, std::nullopt);
}

}  // namespace
