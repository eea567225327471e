// The Pen and Rectangle tools on a 64 by 48 screen: mask strokes with round
// ends on the window only, the pen width cycle and its guard, the rubber
// band in every drag direction, its outline widths, the box fixed where the
// band stood, and events over the band reaching the tool.
#include <gtest/gtest.h>

#include <climits>

#include "effects/Dispatcher.h"
#include "effects/tools/PenRectangle.h"
#include "tests/support/OverlayDriver.h"

namespace {

using namespace testing_support;

constexpr int kW = 64, kH = 48;
constexpr unsigned kPenCode = 4, kRectangleCode = 7;  // the default slots' effect codes
constexpr gui::Color kGreyish = 0x00C0C0C0;

class DrawToolTest : public ::testing::Test, protected OverlayDriver {
 protected:
  DrawToolTest() : OverlayDriver(kW, kH) {
    // White, with one black pixel and one grey one where strokes pass.
    sys.Wallpaper().Fill(gui::kWhite);
    sys.Wallpaper().SetPixel(20, 11, gui::kBlack);
    sys.Wallpaper().SetPixel(22, 9, kGreyish);
  }
  int Count(gui::Color c) {
    int n = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) n += Shown().Pixel(x, y) == c;
    return n;
  }
};

using PenTest = DrawToolTest;
using RectangleTest = DrawToolTest;

TEST_F(PenTest, HeldButtonDrawsAMaskStrokeWithRoundEndsOnTheWindow) {
  p().Settings.PenSize = 1;  // 5 pixels: within 2.5 of the segment
  p().Settings.PenColor = gui::kRed;
  Open(kPenCode, 10, 10);
  Button(false, true);
  Move(30, 10);
  Button(false, false);
  const gui::Bitmap& s = Shown();
  EXPECT_EQ(s.Pixel(20, 10), gui::kRed) << "white AND red";
  EXPECT_EQ(s.Pixel(20, 12), gui::kRed) << "2 from the segment";
  EXPECT_EQ(s.Pixel(20, 13), gui::kWhite) << "3 from it";
  EXPECT_EQ(s.Pixel(20, 11), gui::kBlack) << "black stays black";
  EXPECT_EQ(s.Pixel(22, 9), gui::Rgb(0xC0, 0, 0)) << "grey AND red keeps the red part";
  EXPECT_EQ(s.Pixel(32, 10), gui::kRed) << "round end: 2 past the end point";
  EXPECT_EQ(s.Pixel(33, 10), gui::kWhite);
  EXPECT_EQ(s.Pixel(8, 9), gui::kRed) << "distance sqrt(5) from the start";
  EXPECT_EQ(s.Pixel(8, 8), gui::kWhite) << "distance sqrt(8)";
  // Columns 10-30 five rows deep; past each end a column of 5, then of 3.
  EXPECT_EQ(Count(gui::kRed) + 2, 21 * 5 + 2 * (5 + 3)) << "the black and grey pixels aside";
  // Strokes live on the window only: a repaint shows the clean picture.
  overlay().Invalidate();
  h.app.ProcessMessages();
  EXPECT_EQ(Count(gui::kRed), 0);
  EXPECT_EQ(overlay().Image_Draw.Picture().Pixel(20, 10), gui::kWhite);
}

TEST_F(PenTest, ConnectedSegmentsFollowTheMovesAndNothingWithoutTheButton) {
  p().Settings.PenSize = 1;
  p().Settings.PenColor = gui::kBlue;
  Open(kPenCode, 5, 40);
  Move(10, 40);
  EXPECT_EQ(Count(gui::kBlue), 0) << "no button, no stroke";
  Button(false, true);
  Move(10, 20);
  Move(40, 20);
  Button(false, false);
  EXPECT_EQ(Shown().Pixel(10, 30), gui::kBlue);
  EXPECT_EQ(Shown().Pixel(10, 20), gui::kBlue) << "the join";
  EXPECT_EQ(Shown().Pixel(25, 20), gui::kBlue);
  EXPECT_EQ(Shown().Pixel(25, 30), gui::kWhite);
  const int drawn = Count(gui::kBlue);
  Move(50, 40);
  EXPECT_EQ(Count(gui::kBlue), drawn) << "released: moves draw nothing";
}

TEST_F(PenTest, ReleasingTheRightButtonEndsTheStroke) {
  p().Settings.PenSize = 1;
  p().Settings.PenColor = gui::kBlue;
  Open(kPenCode, 10, 10);
  Button(false, true);
  Press(true);  // also the next pen size
  EXPECT_FALSE(overlay().PenDown);
  const int drawn = Count(gui::kBlue);
  Move(40, 30);
  EXPECT_EQ(Count(gui::kBlue), drawn);
  Button(false, false);
}

TEST_F(PenTest, AShowClosedMidStrokeLeavesNoStrokeToTheNextShow) {
  p().Settings.PenSize = 1;
  p().Settings.PenColor = gui::kBlue;
  Open(kPenCode, 10, 10);
  Button(false, true);
  Move(20, 20);
  Close();  // Esc with the button still held: its release goes elsewhere
  Open(kPenCode, 40, 30);
  Move(50, 35);
  EXPECT_EQ(Shown(), overlay().Image_Draw.Picture()) << "no line from the old point";
  EXPECT_EQ(Shown(), sys.Wallpaper());
  Button(false, false);
}

TEST_F(PenTest, FiveRightClicksCycleTheWidthBackToWhereItStarted) {
  p().Settings.PenSize = 2;
  Open(kPenCode, 10, 10);
  EXPECT_EQ(overlay().canvasPen.width, 10);
  const int widths[] = {15, 20, 25, 5, 10};
  for (int w : widths) {
    Press(true);
    EXPECT_EQ(overlay().canvasPen.width, w);
    EXPECT_EQ(overlay().canvasPen.mode, PenMode::Mask);
  }
  EXPECT_EQ(p().Settings.PenSize, 2);
}

TEST_F(PenTest, HugePenSizeNeverOverflowsAndCoversTheScreen) {
  p().Settings.PenColor = gui::kRed;
  Open(kPenCode, 10, 10);
  p().Settings.PenSize = INT32_MAX;
  Press(true);
  EXPECT_EQ(p().Settings.PenSize, INT32_MAX);
  EXPECT_EQ(overlay().canvasPen.width, INT_MAX);
  Press(false);
  EXPECT_EQ(Count(gui::kRed), kW * kH - 2) << "all but the black and grey pixels";
  p().Settings.PenSize = 6;
  Press(true);
  EXPECT_EQ(p().Settings.PenSize, 7) << "past the table: raised, not wrapped";
  EXPECT_EQ(tools::PenTool::WidthFor(INT32_MAX), std::int64_t{INT32_MAX} * 5);
  h.PressKey(gui::kVkEscape);
  RunFor(10);
  // A huge stored size reaches the show's pen set-up as well.
  p().Settings.PenSize = INT32_MAX / 2;
  Open(kPenCode, 10, 10);
  EXPECT_EQ(overlay().canvasPen.width, INT_MAX);
  p().Settings.PenSize = INT32_MIN;
  h.PressKey(gui::kVkEscape);
  RunFor(10);
  Open(kPenCode, 10, 10);
  EXPECT_EQ(overlay().canvasPen.width, INT_MIN) << "a one-pixel pen";
  Button(false, true);
  Move(20, 10);
  Button(false, false);
  EXPECT_EQ(Shown().Pixel(15, 10), gui::kRed);
  EXPECT_EQ(Shown().Pixel(15, 11), gui::kWhite) << "one pixel wide";
  EXPECT_EQ(Shown().Pixel(20, 10), gui::kWhite) << "the end point left out";
}

TEST_F(RectangleTest, FirstBoxHasAOnePixelOutlineFixedWhereTheBandStood) {
  p().Settings.RectangleColor = gui::kBlue;
  overlay().RectanglePenWidth = 0;
  Open(kRectangleCode, 10, 10);
  Press(false);
  EXPECT_EQ(overlay().RectanglePhase, 1);
  Move(20, 18);
  EXPECT_EQ(overlay().Shape1.BoundsRect(), (gui::IRect{10, 10, 20, 18}));
  EXPECT_EQ(Shown().Pixel(10, 10), gui::kBlue) << "the band shows";
  // The second click's own point is not used.
  overlay().Image_DrawMouseDown(gui::MouseButton::Left, 0, 50, 40);
  overlay().Image_DrawMouseUp(gui::MouseButton::Left, 0, 50, 40);
  h.app.ProcessMessages();
  EXPECT_EQ(overlay().RectanglePhase, 0);
  EXPECT_FALSE(overlay().RectangleDragging);
  EXPECT_EQ(overlay().Shape1.Width(), 0);
  const gui::Bitmap& pic = overlay().Image_Draw.Picture();
  for (int x = 10; x < 20; ++x) {
    EXPECT_EQ(pic.Pixel(x, 10), gui::kBlue) << x;
    EXPECT_EQ(pic.Pixel(x, 17), gui::kBlue) << x;
    EXPECT_EQ(pic.Pixel(x, 11), x == 10 || x == 19 ? gui::kBlue : gui::kWhite) << x;
  }
  EXPECT_EQ(pic.Pixel(20, 10), gui::kWhite) << "right and bottom exclusive";
  EXPECT_EQ(pic.Pixel(10, 18), gui::kWhite);
  EXPECT_EQ(Shown(), pic) << "the fixed box is on the screen";
  // Moving on leaves it: the band does not follow any more.
  Move(40, 40);
  EXPECT_EQ(overlay().Shape1.Width(), 0);
}

TEST_F(RectangleTest, DragInEveryDirectionKeepsOneCornerOnTheAnchor) {
  Open(kRectangleCode, 30, 30);
  Press(false);
  Move(10, 5);
  EXPECT_EQ(overlay().Shape1.BoundsRect(), (gui::IRect{10, 5, 30, 30}));
  Move(50, 40);
  EXPECT_EQ(overlay().Shape1.BoundsRect(), (gui::IRect{30, 30, 50, 40}));
  Move(45, 12);
  EXPECT_EQ(overlay().Shape1.BoundsRect(), (gui::IRect{30, 12, 45, 30}));
  Move(2, 44);
  EXPECT_EQ(overlay().Shape1.BoundsRect(), (gui::IRect{2, 30, 30, 44}));
}

TEST_F(RectangleTest, RightClicksStepTheOutlineOnlyWhileABoxIsOpen) {
  overlay().RectanglePenWidth = 0;
  p().Settings.RectangleColor = gui::kRed;
  Open(kRectangleCode, 5, 5);
  Press(true);
  EXPECT_EQ(overlay().RectanglePenWidth, 0) << "no box open";
  Press(false);
  Move(40, 30);
  const int widths[] = {1, 2, 3, 4, 5, 1, 2, 3};
  for (int w : widths) {
    Press(true);
    EXPECT_EQ(overlay().RectanglePenWidth, w);
    EXPECT_EQ(overlay().Shape1.penWidth, w);
  }
  // Width 3 now: the band and the fixed box show a ring 3 pixels deep.
  EXPECT_EQ(Shown().Pixel(7, 15), gui::kRed);
  EXPECT_EQ(Shown().Pixel(8, 15), gui::kWhite);
  Press(false);
  const gui::Bitmap& pic = overlay().Image_Draw.Picture();
  for (int d = 0; d < 3; ++d) {
    EXPECT_EQ(pic.Pixel(5 + d, 15), gui::kRed) << d;
    EXPECT_EQ(pic.Pixel(39 - d, 15), gui::kRed) << d;
    EXPECT_EQ(pic.Pixel(20, 5 + d), gui::kRed) << d;
    EXPECT_EQ(pic.Pixel(20, 29 - d), gui::kRed) << d;
  }
  EXPECT_EQ(pic.Pixel(8, 15), gui::kWhite);
  EXPECT_EQ(pic.Pixel(36, 15), gui::kWhite);
  Close();
  Open(kRectangleCode, 5, 5);
  EXPECT_EQ(overlay().Shape1.penWidth, 3) << "the width carries over to the next show";
}

TEST_F(RectangleTest, MovesAndClicksOverTheBandReachTheTool) {
  p().Settings.RectangleColor = gui::kBlue;
  overlay().RectanglePenWidth = 0;
  Open(kRectangleCode, 10, 10);
  Press(false);
  Move(40, 40);
  // Inside the band now: the move shrinks it and the click fixes it.
  Move(20, 20);
  EXPECT_EQ(overlay().Shape1.BoundsRect(), (gui::IRect{10, 10, 20, 20}));
  Move(25, 25);
  Move(15, 15);
  EXPECT_EQ(overlay().Shape1.BoundsRect(), (gui::IRect{10, 10, 15, 15}));
  Press(false);
  EXPECT_EQ(overlay().RectanglePhase, 0);
  EXPECT_EQ(overlay().Image_Draw.Picture().Pixel(14, 14), gui::kBlue);
}

TEST_F(DrawToolTest, ObjectCountsStayFlatOverShowsAndEvents) {
  Open(kPenCode, 10, 10);
  Close();
  const int dcs = h.process->DcCount(), objects = h.process->GdiObjectCount();
  for (int show = 0; show < 20; ++show) {
    Open(show % 2 ? kPenCode : kRectangleCode, 10, 10);
    for (int i = 0; i < 40; ++i) {
      if (i % 8 == 0) Button(i % 16 == 0, true);
      Move((i * 5) % kW, (i * 7) % kH);
      if (i % 8 == 4) Button(i % 16 == 4, false);
    }
    Close();
    EXPECT_EQ(h.process->DcCount(), dcs);
    EXPECT_EQ(h.process->GdiObjectCount(), objects);
  }
}

}  // namespace
