// The Reveal and Line tools on a 64 by 48 screen: the cover's edge rule,
// the bar's pixels, the colour and style cycles, the frame one event
// behind the pointer, and stored styles outside their tables.
#include <gtest/gtest.h>

#include <climits>

#include "effects/Dispatcher.h"
#include "effects/tools/RevealLine.h"
#include "tests/support/OverlayDriver.h"

namespace {

using namespace testing_support;

constexpr int kW = 64, kH = 48;
constexpr unsigned kRevealCode = 1, kLineCode = 2;  // the default slots' effect codes

gui::Color Wall(int x, int y) { return gui::Rgb(x * 3, y * 5, 0x40); }

class FrameToolTest : public ::testing::Test, protected OverlayDriver {
 protected:
  FrameToolTest() : OverlayDriver(kW, kH) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) sys.Wallpaper().SetPixel(x, y, Wall(x, y));
  }
  // Both halves of the click reach the overlay in one go.
  void Press(bool right) {
    h.process->mouse_event(right ? platform::kMouseEventRightDown : platform::kMouseEventLeftDown,
                           0, 0, 0);
    h.process->mouse_event(right ? platform::kMouseEventRightUp : platform::kMouseEventLeftUp, 0, 0,
                           0);
    h.app.ProcessMessages();
  }
  // Whether the shown columns [from, to) are all the cover colour (or all
  // the screen's own pixels), over every row.
  bool ColumnsAre(int from, int to, std::optional<gui::Color> cover) {
    for (int y = 0; y < kH; ++y)
      for (int x = from; x < to; ++x)
        if (Shown().Pixel(x, y) != (cover ? *cover : Wall(x, y))) return false;
    return true;
  }
  bool RowsAre(int from, int to, std::optional<gui::Color> cover) {
    for (int y = from; y < to; ++y)
      for (int x = 0; x < kW; ++x)
        if (Shown().Pixel(x, y) != (cover ? *cover : Wall(x, y))) return false;
    return true;
  }
};

using RevealTest = FrameToolTest;
using LineTest = FrameToolTest;

TEST(ClickCycleTest, ColourIndexAndStylesStepAndWrapWhereTheyShould) {
  EXPECT_EQ(tools::NextColorIndex(0), 1);
  EXPECT_EQ(tools::NextColorIndex(3), 0);
  EXPECT_EQ(tools::NextStyle(3, 4), 0);
  EXPECT_EQ(tools::NextStyle(2, 3), 0);
  EXPECT_EQ(tools::NextStyle(4, 4), 5) << "past the table: raised, not wrapped";
  EXPECT_EQ(tools::NextStyle(-1, 4), 0);
  EXPECT_EQ(tools::NextStyle(INT32_MAX, 4), INT32_MAX);
}

TEST_F(RevealTest, Style0CoversAllAtX15AndLeavesColumns0To30AtX16) {
  p().Settings.RevealStyle = 0;
  const gui::Color cover = p().Settings.RevealColor;
  Open(kRevealCode, 15, 10);  // the nudge prepares the frame of x = 15
  EXPECT_TRUE(ColumnsAre(0, kW, std::nullopt)) << "the first event shows the clean frame";
  Move(16, 10);
  EXPECT_TRUE(ColumnsAre(0, kW, cover)) << "x = 15: edge 0, all covered";
  Move(17, 10);
  EXPECT_TRUE(ColumnsAre(0, 31, std::nullopt)) << "x = 16: edge 31";
  EXPECT_TRUE(ColumnsAre(31, kW, cover));
}

TEST_F(RevealTest, Style1CoversNothingAtY15AndRows0To30AtY16) {
  p().Settings.RevealStyle = 1;
  const gui::Color cover = p().Settings.RevealColor;
  Open(kRevealCode, 5, 15);
  Move(5, 16);
  EXPECT_TRUE(RowsAre(0, kH, std::nullopt));
  Move(5, 17);
  EXPECT_TRUE(RowsAre(0, 31, cover));
  EXPECT_TRUE(RowsAre(31, kH, std::nullopt));
}

TEST_F(RevealTest, Styles2And3CoverTheOtherSideAndAClickUsesItsOwnCoordinate) {
  p().Settings.RevealStyle = 2;
  const gui::Color cover = p().Settings.RevealColor;
  Open(kRevealCode, 20, 30);
  Move(21, 30);
  EXPECT_TRUE(ColumnsAre(0, 35, cover));
  EXPECT_TRUE(ColumnsAre(35, kW, std::nullopt));
  Close();

  p().Settings.RevealStyle = 3;
  Open(kRevealCode, 20, 20);
  Move(20, 21);
  EXPECT_TRUE(RowsAre(0, 35, std::nullopt)) << "y = 20: edge 35, the part above stays";
  EXPECT_TRUE(RowsAre(35, kH, cover));
  Move(20, 10);
  EXPECT_TRUE(RowsAre(0, 36, std::nullopt)) << "y = 21: edge 36";
  EXPECT_TRUE(RowsAre(36, kH, cover));
  Move(20, 9);
  EXPECT_TRUE(RowsAre(0, kH, cover)) << "y = 10: edge 0, all covered";

  // A right click steps to style 0 and prepares the click's own edge, x = 8
  // (no offset, no edge rule); the nudge shows it at once.
  Move(8, 20);
  Press(true);
  EXPECT_EQ(p().Settings.RevealStyle, 0);
  // The nudge's move prepared x = 8 again with the move rule: edge 0.
  EXPECT_TRUE(ColumnsAre(0, 8, std::nullopt));
  EXPECT_TRUE(ColumnsAre(8, kW, cover));
  Move(9, 20);
  EXPECT_TRUE(ColumnsAre(0, kW, cover));
}

TEST_F(RevealTest, LeftClicksCycleGreenRedYellowBlueGreenShownAtTheNextMove) {
  p().Settings.RevealStyle = 0;
  Open(kRevealCode, 40, 10);
  const gui::Color expected[] = {0x008000, 0x0000FF, 0x00FFFF, 0xFF0000, 0x008000};
  gui::Color before = p().Settings.RevealColor;
  for (gui::Color colour : expected) {
    Move(30, 10);
    Press(false);
    EXPECT_EQ(p().Settings.RevealColor, colour);
    EXPECT_EQ(Shown().Pixel(50, 5), before) << "the click shows what the move prepared";
    Move(31, 10);
    // The click prepared its own edge, x = 30, in the new colour.
    EXPECT_TRUE(ColumnsAre(0, 30, std::nullopt));
    EXPECT_TRUE(ColumnsAre(30, kW, colour));
    before = colour;
  }
}

TEST_F(RevealTest, ColourIndexCarriesOverToTheNextShow) {
  Open(kRevealCode, 40, 10);
  Press(false);
  EXPECT_EQ(p().Settings.RevealColor, 0x008000u);
  Close();
  Open(kRevealCode, 40, 10);
  Press(false);
  EXPECT_EQ(p().Settings.RevealColor, 0x0000FFu);
}

TEST_F(RevealTest, StoredStyleOutsideTheTableDoesNothingAndARightClickRaisesIt) {
  p().Settings.RevealStyle = 4;
  Open(kRevealCode, 20, 10);
  const gui::Bitmap before = Shown();
  const gui::Bitmap picture = overlay().Image_Draw.Picture();
  Move(30, 20);
  Press(false);
  EXPECT_EQ(Shown(), before);
  EXPECT_EQ(overlay().Image_Draw.Picture(), picture);
  Press(true);
  EXPECT_EQ(p().Settings.RevealStyle, 5);
  Press(true);
  EXPECT_EQ(p().Settings.RevealStyle, 6);
  EXPECT_EQ(Shown(), before);
  p().Settings.RevealStyle = -7;
  Move(31, 20);
  EXPECT_EQ(Shown(), before);
}

TEST_F(RevealTest, EdgeBeyondTheScreenCoversNothingOnThatSide) {
  p().Settings.RevealStyle = 0;
  const gui::Color cover = p().Settings.RevealColor;
  Open(kRevealCode, 60, 10);  // edge 75, past the right side
  Move(61, 10);
  EXPECT_TRUE(ColumnsAre(0, kW, std::nullopt));
  p().Settings.RevealStyle = 2;
  Move(62, 10);
  Move(63, 10);
  EXPECT_TRUE(ColumnsAre(0, kW, cover)) << "style 2 past the side covers everything";
}

TEST_F(LineTest, VerticalBarIsFivePixelsWhiteInsideATwoPixelOutline) {
  p().Settings.LineStyle = 0;
  const gui::Color pen = p().Settings.LineColor;
  Open(kLineCode, 10, 20);
  Move(11, 20);  // shows the bar at x = 10
  for (int y = 0; y < kH; ++y) {
    const bool edgeRow = y < 2 || y >= kH - 2;
    EXPECT_EQ(Shown().Pixel(9, y), Wall(9, y)) << y;
    EXPECT_EQ(Shown().Pixel(10, y), pen) << y;
    EXPECT_EQ(Shown().Pixel(11, y), pen) << y;
    EXPECT_EQ(Shown().Pixel(12, y), edgeRow ? pen : gui::kWhite) << y;
    EXPECT_EQ(Shown().Pixel(13, y), pen) << y;
    EXPECT_EQ(Shown().Pixel(14, y), pen) << y;
    EXPECT_EQ(Shown().Pixel(15, y), Wall(15, y)) << y;
  }
}

TEST_F(LineTest, BothBarsDrawTheHorizontalOneOverTheVertical) {
  p().Settings.LineStyle = 2;
  const gui::Color pen = p().Settings.LineColor;
  Open(kLineCode, 10, 20);
  Move(11, 21);  // shows bars at (10, 20)
  EXPECT_EQ(Shown().Pixel(12, 5), gui::kWhite);
  EXPECT_EQ(Shown().Pixel(11, 5), pen);
  EXPECT_EQ(Shown().Pixel(30, 22), gui::kWhite);
  EXPECT_EQ(Shown().Pixel(30, 20), pen);
  EXPECT_EQ(Shown().Pixel(30, 24), pen);
  EXPECT_EQ(Shown().Pixel(30, 25), Wall(30, 25));
  EXPECT_EQ(Shown().Pixel(0, 22), pen) << "the horizontal bar's left outline";
  EXPECT_EQ(Shown().Pixel(10, 22), gui::kWhite) << "its inside covers the vertical's outline";
  EXPECT_EQ(Shown().Pixel(12, 20), pen) << "and its outline the vertical's inside";
}

TEST_F(LineTest, RightClicksStepVerticalHorizontalBothVerticalShownWithoutMoving) {
  p().Settings.LineStyle = 0;
  const gui::Color pen = p().Settings.LineColor;
  Open(kLineCode, 30, 30);
  Move(20, 10);
  auto vertical = [&] { return Shown().Pixel(20, 40) == pen; };
  auto horizontal = [&] { return Shown().Pixel(50, 10) == pen; };
  const int styles[] = {1, 2, 0};
  for (int style : styles) {
    Press(true);
    EXPECT_EQ(p().Settings.LineStyle, style);
    EXPECT_EQ(vertical(), style != 1) << style;
    EXPECT_EQ(horizontal(), style != 0) << style;
  }
}

TEST_F(LineTest, LeftClickTakesTheNextColourAndOutOfRangeStyleDoesNothing) {
  p().Settings.LineStyle = 0;
  Open(kLineCode, 30, 30);
  Press(false);
  EXPECT_EQ(p().Settings.LineColor, 0x008000u);
  Move(31, 30);
  EXPECT_EQ(Shown().Pixel(30, 40), 0x008000u);

  p().Settings.LineStyle = 3;
  const gui::Bitmap before = Shown();
  Move(40, 30);
  Press(false);
  EXPECT_EQ(Shown(), before);
  Press(true);
  EXPECT_EQ(p().Settings.LineStyle, 4) << "raised without wrapping";
  EXPECT_EQ(Shown(), before);
}

TEST_F(FrameToolTest, ObjectCountsStayFlatOverShowsAndEvents) {
  Open(kRevealCode, 10, 10);
  Close();
  const int dcs = h.process->DcCount(), objects = h.process->GdiObjectCount();
  for (int show = 0; show < 20; ++show) {
    Open(show % 2 ? kRevealCode : kLineCode, 10, 10);
    for (int i = 0; i < 50; ++i) {
      Move(i % kW, (i * 7) % kH);
      if (i % 10 == 0) Press(i % 20 == 0);
    }
    Close();
    EXPECT_EQ(h.process->DcCount(), dcs);
    EXPECT_EQ(h.process->GdiObjectCount(), objects);
  }
}

}  // namespace
