// CVesperDoc::RenderBackground: which renderer each background kind and
// placement picks, with which arguments, and when there is no background.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/default_palette.h"
#include "imaging/packed_dib.h"
#include "imaging/renderers.h"
#include "imaging/dib.h"
#include "scene/vesper_doc.h"
#include "tests/scene/scene_test_support.h"

namespace vesper::test {
namespace {

// The rendered bytes; an empty vector for null. Frees the block.
std::vector<BYTE> Take(HGLOBAL block)
{
    if (!block)
        return {};
    std::vector<BYTE> bytes = BlockBytes(block);
    FreePackedDIB(block);
    return bytes;
}

class RenderBackgroundTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(CreateDefaultPalette(g_defaultPalette), FALSE); }
    void TearDown() override
    {
        doc.DeleteContents();
        g_defaultPalette.DeleteObject();
    }

    static HPALETTE Palette() { return static_cast<HPALETTE>(g_defaultPalette.GetSafeHandle()); }

    // A 6 × 4 8-bit picture as the document's background.
    HGLOBAL UsePicture(LONG width = 6, LONG height = 4, WORD bits = 8)
    {
        doc.backgroundKind = CVesperDoc::backgroundPicture;
        CDIB* picture = MakeDIB(width, height, bits, 0, 7);
        doc.SetBackground(picture);
        return picture->dib;
    }

    CVesperDoc doc;
};

TEST_F(RenderBackgroundTest, PictureOfTheStagesSizeIsConvertedAsItIs)
{
    HGLOBAL picture = UsePicture(6, 4);
    doc.imagePlacement = CVesperDoc::placementStretch;
    const std::vector<BYTE> rendered = Take(doc.RenderBackground(6, 4));
    ASSERT_FALSE(rendered.empty());
    EXPECT_EQ(rendered, Take(ConvertToStage(picture, Palette())));
}

TEST_F(RenderBackgroundTest, PictureOfAnotherSizeIsStretched)
{
    HGLOBAL picture = UsePicture(6, 4);
    doc.imagePlacement = CVesperDoc::placementStretch;
    for (const auto& [w, h] : {std::pair{12, 4}, std::pair{6, 9}, std::pair{3, 2}}) {
        const std::vector<BYTE> rendered = Take(doc.RenderBackground(w, h));
        ASSERT_FALSE(rendered.empty());
        EXPECT_EQ(rendered, Take(StretchToStage(picture, w, h, Palette()))) << w << "x" << h;
    }
}

TEST_F(RenderBackgroundTest, CentredAndTiledPictures)
{
    HGLOBAL picture = UsePicture(6, 4, 24);
    doc.imagePlacement = CVesperDoc::placementCentre;
    const std::vector<BYTE> centred = Take(doc.RenderBackground(11, 7));
    ASSERT_FALSE(centred.empty());
    EXPECT_EQ(centred, Take(CentreOnStage(picture, Palette(), 11, 7)));

    doc.imagePlacement = CVesperDoc::placementTile;
    const std::vector<BYTE> tiled = Take(doc.RenderBackground(11, 7));
    ASSERT_FALSE(tiled.empty());
    EXPECT_EQ(tiled, Take(TileOnStage(picture, Palette(), 11, 7)));
    EXPECT_NE(centred, tiled);
}

TEST_F(RenderBackgroundTest, UnknownKindOrPlacementOrNoPictureGivesNoBackground)
{
    for (const DWORD kind : {3u, 0xFFFFu}) {
        doc.backgroundKind = kind;
        EXPECT_EQ(doc.RenderBackground(6, 4), nullptr) << kind;
    }
    doc.backgroundKind = CVesperDoc::backgroundPicture;
    EXPECT_EQ(doc.RenderBackground(6, 4), nullptr);
    // A picture object that holds no block.
    doc.SetBackground(new CDIB);
    EXPECT_EQ(doc.RenderBackground(6, 4), nullptr);
    UsePicture();
    doc.imagePlacement = 3;
    EXPECT_EQ(doc.RenderBackground(6, 4), nullptr);
}

TEST_F(RenderBackgroundTest, GradientInBothDirections)
{
    doc.backgroundKind = CVesperDoc::backgroundGradient;
    doc.gradientFrom = RGB(200, 10, 90);
    doc.gradientTo = RGB(3, 250, 128);
    for (const DWORD horizontal : {0u, 1u, 0x8000u}) {
        doc.gradientHorizontal = horizontal;
        const std::vector<BYTE> rendered = Take(doc.RenderBackground(20, 12));
        ASSERT_FALSE(rendered.empty());
        EXPECT_EQ(rendered, Take(FillGradient(RGB(200, 10, 90), RGB(3, 250, 128), 20, 12, horizontal != 0, Palette())))
            << horizontal;
    }
}

TEST_F(RenderBackgroundTest, NewDocumentShowsTheDefaultGradient)
{
    // Black at the top to dark blue at the bottom.
    const std::vector<BYTE> rendered = Take(doc.RenderBackground(16, 16));
    ASSERT_FALSE(rendered.empty());
    EXPECT_EQ(rendered, Take(FillGradient(0, 0x00800000, 16, 16, FALSE, Palette())));
}

TEST_F(RenderBackgroundTest, SolidColour)
{
    doc.backgroundKind = CVesperDoc::backgroundSolid;
    doc.solidColour = RGB(17, 34, 200);
    // A picture present is ignored for the other kinds.
    UsePicture();
    doc.backgroundKind = CVesperDoc::backgroundSolid;
    const std::vector<BYTE> rendered = Take(doc.RenderBackground(9, 5));
    ASSERT_FALSE(rendered.empty());
    EXPECT_EQ(rendered, Take(FillSolid(RGB(17, 34, 200), 9, 5, Palette())));
}

TEST_F(RenderBackgroundTest, MalformedPictureGivesNoBackground)
{
    HGLOBAL picture = UsePicture(6, 4);
    // The header claims more rows than the block holds.
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(picture));
    header->biHeight = 400;
    GlobalUnlock(picture);
    for (const DWORD placement : {0u, 1u, 2u}) {
        doc.imagePlacement = placement;
        EXPECT_EQ(doc.RenderBackground(6, 400), nullptr) << placement;
        EXPECT_EQ(doc.RenderBackground(6, 4), nullptr) << placement;
    }
}

}  // namespace
}  // namespace vesper::test
