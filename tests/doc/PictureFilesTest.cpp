// The format table: lookups by extension and the texts derived from it.
#include "doc/PictureFiles.h"

#include <gtest/gtest.h>

TEST(PictureFormats, ExtensionsMatchWhateverTheirCase)
{
    EXPECT_STREQ(FormatOfPath("/m/a.RGM")->name, "rgm");
    EXPECT_STREQ(FormatOfPath("/m.x/a.Jpg")->name, "jpg");
    EXPECT_EQ(FormatOfPath("/m/a.jpeg"), nullptr);
    EXPECT_EQ(FormatOfPath("/m.rgm/plan"), nullptr);  // no '.' after the folder's
    EXPECT_EQ(FormatOfPath("plan."), nullptr);
    EXPECT_EQ(FormatOfPath("rgm"), nullptr);
}

TEST(PictureFormats, ListsAndFiltersFollowTheTable)
{
    EXPECT_EQ(ExtensionList(FormatUse::Read), ".rgm, .jpg, .bmp or .rgz");
    EXPECT_EQ(ExtensionList(FormatUse::Write), ".rgm, .bmp or .rgz");
    EXPECT_EQ(DialogFilter(FormatUse::Read),
              "*.rgm;*.jpg;*.bmp;*.rgz (*.rgm *.jpg *.bmp *.rgz *.RGM *.JPG *.BMP *.RGZ)");
    EXPECT_EQ(DialogFilter(FormatUse::Write), "*.rgm;*.bmp;*.rgz (*.rgm *.bmp *.rgz *.RGM *.BMP *.RGZ)");
    EXPECT_EQ(DefaultSaveExtension(), "rgm");
}
