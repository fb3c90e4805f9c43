#include "ui/previewlogic.h"

#include <gtest/gtest.h>

namespace korvalen::testing {
namespace {

// What the preview displays, in one comparable value.
struct Shown
{
    int left = 0;
    int right = 0;
    int centre = 0;
    int zoom = 0;
    QString zone4;

    bool operator==(const Shown &) const = default;
};

void PrintTo(const Shown &shown, std::ostream *out)
{
    *out << "left " << shown.left << " right " << shown.right << " centre " << shown.centre
         << " zoom " << shown.zoom << " '" << shown.zone4.toStdString() << "'";
}

Shown shown(const PreviewLogic &logic)
{
    return {logic.leftPlacePage(), logic.rightPlacePage(), logic.centrePlacePage(),
            logic.zoomPlacePage(), logic.pagesZone()};
}

Shown facing(int left, int right, const char *zone)
{
    return {left, right, 0, 0, QString::fromLatin1(zone)};
}

TEST(PreviewLogicTest, FourPagesInFacingModeAndBackAtTheEnds)
{
    PreviewLogic logic(4);
    logic.toggleFacing();
    EXPECT_EQ(shown(logic), facing(0, 1, "Page 1 of 4"));
    EXPECT_FALSE(logic.canGoPrevious());

    logic.next();
    EXPECT_EQ(shown(logic), facing(2, 3, "Pages 2 and 3 of 4"));
    EXPECT_TRUE(logic.canGoPrevious());
    EXPECT_TRUE(logic.canGoNext());

    logic.next();
    EXPECT_EQ(shown(logic), facing(4, 0, "Page 4 of 4"));
    EXPECT_EQ(logic.page(), 5);
    EXPECT_FALSE(logic.canGoNext());
    logic.next(); // disabled: nothing moves
    EXPECT_EQ(logic.page(), 5);

    logic.previous();
    EXPECT_EQ(shown(logic), facing(2, 3, "Pages 2 and 3 of 4"));
    logic.previous();
    EXPECT_EQ(shown(logic), facing(0, 1, "Page 1 of 4"));
    logic.previous();
    EXPECT_EQ(logic.page(), 1);
}

TEST(PreviewLogicTest, OddPageCountEndsOnAFullSpread)
{
    PreviewLogic logic(3);
    logic.toggleFacing();
    logic.next();
    EXPECT_EQ(shown(logic), facing(2, 3, "Pages 2 and 3 of 3"));
    EXPECT_FALSE(logic.canGoNext());
}

TEST(PreviewLogicTest, OnePageNeverFaces)
{
    PreviewLogic logic(1);
    EXPECT_EQ(shown(logic), (Shown{0, 0, 1, 0, "Page 1 of 1"}));
    EXPECT_FALSE(logic.canGoPrevious());
    EXPECT_FALSE(logic.canGoNext());
    EXPECT_FALSE(logic.canToggleFacing());
    logic.toggleFacing();
    EXPECT_EQ(logic.mode(), PreviewMode::Single);

    logic.toggleZoom();
    logic.toggleZoom();
    EXPECT_EQ(logic.mode(), PreviewMode::Single);
    EXPECT_FALSE(logic.canToggleFacing());

    EXPECT_EQ(PreviewLogic(0).pagesZone(), "Page 1 of 1");
}

TEST(PreviewLogicTest, ZoomFromSingleModeAndBack)
{
    PreviewLogic logic(4);
    logic.next();
    logic.toggleZoom();
    EXPECT_EQ(shown(logic), (Shown{0, 0, 0, 2, "Page 2 of 4"}));
    EXPECT_EQ(logic.zoomMessage(), "Zoom out to full page mode");
    EXPECT_FALSE(logic.canToggleFacing());

    logic.next(); // one page at a time while zoomed
    EXPECT_EQ(logic.zoomPlacePage(), 3);
    logic.toggleZoom();
    EXPECT_EQ(shown(logic), (Shown{0, 0, 3, 0, "Page 3 of 4"}));
    EXPECT_TRUE(logic.canToggleFacing());
}

TEST(PreviewLogicTest, ZoomFromFacingModeReturnsToFacing)
{
    PreviewLogic logic(4);
    logic.toggleFacing();
    logic.next();
    logic.toggleZoom();
    EXPECT_EQ(logic.zoomPlacePage(), 3);
    EXPECT_EQ(logic.zoomMessage(), "Zoom out to facing page mode");

    logic.previous(); // zoomed: an even page becomes current
    EXPECT_EQ(logic.zoomPlacePage(), 2);
    logic.toggleZoom();
    EXPECT_EQ(shown(logic), facing(2, 3, "Pages 2 and 3 of 4"));
}

TEST(PreviewLogicTest, ZoomPastTheLastPageZoomsTheLonePage)
{
    PreviewLogic logic(4);
    logic.toggleFacing();
    logic.jumpTo(4);
    ASSERT_EQ(logic.page(), 5);
    logic.toggleZoom();
    EXPECT_EQ(shown(logic), (Shown{0, 0, 0, 4, "Page 4 of 4"}));
    EXPECT_FALSE(logic.canGoNext());
    logic.toggleZoom();
    EXPECT_EQ(shown(logic), facing(4, 0, "Page 4 of 4"));
}

TEST(PreviewLogicTest, FacingAndSinglePagesKeepTheRightPage)
{
    PreviewLogic logic(4);
    logic.jumpTo(2);
    logic.toggleFacing(); // an even page moves to the left of its spread
    EXPECT_EQ(shown(logic), facing(2, 3, "Pages 2 and 3 of 4"));
    logic.toggleFacing();
    EXPECT_EQ(shown(logic), (Shown{0, 0, 3, 0, "Page 3 of 4"}));

    logic.jumpTo(4);
    logic.toggleFacing();
    logic.toggleFacing(); // from past the end: the lone left page
    EXPECT_EQ(shown(logic), (Shown{0, 0, 4, 0, "Page 4 of 4"}));
    EXPECT_EQ(logic.facingText(), "&Facing Pages!");
}

TEST(PreviewLogicTest, JumpStartsAtTheShownPageAndStaysInRange)
{
    PreviewLogic logic(4);
    logic.toggleFacing();
    logic.jumpTo(2); // an even page shows on the left with the next one
    EXPECT_EQ(shown(logic), facing(2, 3, "Pages 2 and 3 of 4"));
    EXPECT_EQ(logic.jumpStart(), 3);
    logic.jumpTo(4);
    EXPECT_EQ(logic.jumpStart(), 4);

    logic.jumpTo(9);
    EXPECT_EQ(shown(logic), facing(4, 0, "Page 4 of 4"));
    logic.jumpTo(-3);
    EXPECT_EQ(shown(logic), facing(0, 1, "Page 1 of 4"));
}

TEST(PreviewLogicTest, ClicksZoomThePageClicked)
{
    PreviewLogic logic(4);
    logic.toggleFacing();
    logic.clickLeft(); // no left page beside page 1
    EXPECT_EQ(logic.mode(), PreviewMode::Facing);
    logic.next();
    logic.clickLeft();
    EXPECT_EQ(shown(logic), (Shown{0, 0, 0, 2, "Page 2 of 4"}));
    EXPECT_TRUE(logic.facingBeforeZoom());
    logic.toggleZoom();
    EXPECT_EQ(shown(logic), facing(2, 3, "Pages 2 and 3 of 4"));

    logic.clickRight();
    EXPECT_EQ(logic.zoomPlacePage(), 3);
    logic.clickRight(); // the zoomed page takes no clicks for the places
    EXPECT_EQ(logic.mode(), PreviewMode::Zoom);
    logic.toggleZoom();
    logic.toggleFacing();
    logic.clickCentre();
    EXPECT_EQ(logic.zoomPlacePage(), 3);
    EXPECT_FALSE(logic.facingBeforeZoom());
}

} // namespace
} // namespace korvalen::testing
