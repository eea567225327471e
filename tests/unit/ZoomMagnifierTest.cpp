// Zoom and Magnifier on a simulated machine: the enlarged views and lenses
// pixel for pixel against what the tools' rules give, the zoom steps and
// lens sizes, pinning, the guards for zoom factors out of range, partial
// frames against whole ones, and no object left behind.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "effects/tools/ZoomMagnifier.h"
#include "tests/unit/SurfaceToolMachine.h"

namespace {

using namespace surface_test;
using tools::MagnifierTool;
using tools::ZoomTool;

constexpr unsigned kZoom = 3, kMagnifier = 8;  // effect codes
constexpr int kZoomMode = 4, kMagnifierMode = 9;
constexpr gui::Color kFrameRed = 0x0000FF;

// The area from (x, y) enlarged f times over the whole screen, for a factor
// that divides the screen's width and height: each of its pixels a block of
// f by f.
gui::Bitmap ZoomFrame(const gui::Bitmap& screen, int x, int y, int f) {
  const int w = screen.Width(), h = screen.Height();
  EXPECT_TRUE(w % f == 0 && h % f == 0) << "blocks only for a factor dividing the screen";
  gui::Bitmap out(w, h);
  for (int py = 0; py < h; ++py)
    for (int px = 0; px < w; ++px) out.SetPixel(px, py, screen.Pixel(x + px / f, y + py / f));
  return out;
}

// A lens of size s at (lx, ly) showing the screen from (sx, sy) enlarged
// twice, framed in red along its edge, cut to the frame.
void AddLens(gui::Bitmap& frame, const gui::Bitmap& screen, int lx, int ly, int sx, int sy, int s) {
  for (int py = std::max(ly, 0); py < std::min(ly + s, frame.Height()); ++py)
    for (int px = std::max(lx, 0); px < std::min(lx + s, frame.Width()); ++px) {
      const bool edge = px == lx || px == lx + s - 1 || py == ly || py == ly + s - 1;
      frame.SetPixel(px, py,
                     edge ? kFrameRed : screen.Pixel(sx + (px - lx) / 2, sy + (py - ly) / 2));
    }
}

// ---- Zoom ---------------------------------------------------------------------------

class ZoomTest : public ::testing::Test {
 protected:
  explicit ZoomTest(int w = 64, int h = 48) : m(w, h), tool(m.Install<ZoomTool>(kZoomMode)) {
    m.Key(kZoom);
  }
  Machine m;
  ZoomTool& tool;
};

TEST_F(ZoomTest, TheAreaFromThePointerFillsTheScreenEnlargedByTheFactor) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  m.MoveTo(10, 6);
  EXPECT_FRAME(m.Presented(), ZoomFrame(screen, 10, 6, 2));
  EXPECT_EQ(m.Presented().Pixel(1, 1), screen.Pixel(10, 6)) << "a 2 x 2 block per pixel";
  EXPECT_EQ(m.Presented().Pixel(2, 1), screen.Pixel(11, 6));
  // Past the right and the bottom the area stops at the screen's edge.
  m.MoveTo(60, 40);
  EXPECT_FRAME(m.Presented(), ZoomFrame(screen, 32, 24, 2));
}

TEST_F(ZoomTest, AFactorThatDoesNotDivideTheScreenShowsWholeSourcePixelsInUnevenRuns) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  m.settings().ZoomFactor = 10;
  // 64 / 10 = 6 columns and 48 / 10 = 4 rows from (10, 6), over 64 x 48:
  // screen column x shows source column x * 6 / 64, row y source row y * 4 / 48.
  m.MoveTo(10, 6);
  const int columnsEnd[] = {11, 22, 32, 43, 54, 64};  // runs of 11, 11, 10, 11, 11, 10
  const int rowsEnd[] = {12, 24, 36, 48};
  for (int py = 0, row = 0; py < 48; ++py) {
    if (py == rowsEnd[row]) ++row;
    for (int px = 0, column = 0; px < 64; ++px) {
      if (px == columnsEnd[column]) ++column;
      ASSERT_EQ(m.Presented().Pixel(px, py), screen.Pixel(10 + column, 6 + row)) << px << "," << py;
    }
  }
  // Near the corner the 6 x 4 area stops at the screen's edge: from (58, 44).
  m.MoveTo(63, 47);
  EXPECT_EQ(m.Presented().Pixel(0, 0), screen.Pixel(58, 44));
  EXPECT_EQ(m.Presented().Pixel(10, 11), screen.Pixel(58, 44));
  EXPECT_EQ(m.Presented().Pixel(11, 12), screen.Pixel(59, 45));
  EXPECT_EQ(m.Presented().Pixel(63, 47), screen.Pixel(63, 47));
}

TEST_F(ZoomTest, LeftClicksStepUpTo12AndStayRightClicksBackTo2AndStay) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  std::vector<int> up, down;
  for (int i = 0; i < 6; ++i) {
    m.Click(4, 3);
    up.push_back(m.settings().ZoomFactor);
    if (m.settings().ZoomFactor == 4 || m.settings().ZoomFactor == 8) {
      EXPECT_FRAME(m.Presented(), ZoomFrame(screen, 4, 3, m.settings().ZoomFactor));
    }
  }
  for (int i = 0; i < 6; ++i) {
    m.Click(4, 3, true);
    down.push_back(m.settings().ZoomFactor);
  }
  EXPECT_EQ(up, (std::vector<int>{4, 6, 8, 10, 12, 12}));
  EXPECT_EQ(down, (std::vector<int>{10, 8, 6, 4, 2, 2}));
  EXPECT_FRAME(m.Presented(), ZoomFrame(screen, 4, 3, 2));
}

TEST_F(ZoomTest, FactorsBelowTwoZoomTwiceAndHugeOnesOnePixel) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  for (int f : {0, 1, -7, std::numeric_limits<std::int32_t>::min()}) {
    m.settings().ZoomFactor = f;
    m.MoveTo(20 + f % 3, 10);
    EXPECT_FRAME(m.Presented(), ZoomFrame(screen, 20 + f % 3, 10, 2)) << f;
  }
  m.settings().ZoomFactor = 0;
  m.Click(5, 5, true);
  EXPECT_EQ(m.settings().ZoomFactor, 0) << "not above 2: no step down";
  m.Click(5, 5);
  EXPECT_EQ(m.settings().ZoomFactor, 2);

  m.settings().ZoomFactor = std::numeric_limits<std::int32_t>::max();
  m.MoveTo(63, 47);
  EXPECT_FRAME(m.Presented(), gui::Bitmap(64, 48, screen.Pixel(63, 47)));
  m.Click(63, 47);
  EXPECT_EQ(m.settings().ZoomFactor, std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(ZoomTool::SourceArea(100, 100, 1 << 30, 64, 48), (gui::IRect{63, 47, 64, 48}));
}

class ZoomFullScreenTest : public ZoomTest {
 protected:
  ZoomFullScreenTest() : ZoomTest(1024, 768) {}
};

TEST_F(ZoomFullScreenTest, FactorTwoAt900By700ShowsFrom512_384To1023_767) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  EXPECT_EQ(ZoomTool::SourceArea(900, 700, 2, 1024, 768), (gui::IRect{512, 384, 1024, 768}));
  m.MoveTo(900, 700);
  EXPECT_EQ(m.Presented().Pixel(0, 0), screen.Pixel(512, 384));
  EXPECT_EQ(m.Presented().Pixel(1, 1), screen.Pixel(512, 384));
  EXPECT_EQ(m.Presented().Pixel(2, 3), screen.Pixel(513, 385));
  EXPECT_EQ(m.Presented().Pixel(1023, 767), screen.Pixel(1023, 767));
  EXPECT_FRAME(m.Presented(), ZoomFrame(screen, 512, 384, 2));
}

// ---- Magnifier ------------------------------------------------------------------------

class MagnifierTest : public ::testing::Test {
 protected:
  explicit MagnifierTest(int w = 640, int h = 480)
      : m(w, h), tool(m.Install<MagnifierTool>(kMagnifierMode)) {
    m.Key(kMagnifier);
  }
  Machine m;
  MagnifierTool& tool;
};

TEST_F(MagnifierTest, TheLensAtThePointerShowsTheAreaUnderItTwiceAsLargeInARedFrame) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  m.MoveTo(100, 100);
  gui::Bitmap want = screen;
  AddLens(want, screen, 100, 100, 100, 100, 300);
  EXPECT_FRAME(m.Presented(), want);
  EXPECT_EQ(m.Presented().Pixel(100, 250), kFrameRed);
  EXPECT_EQ(m.Presented().Pixel(399, 399), kFrameRed);
  EXPECT_EQ(m.Presented().Pixel(400, 399), screen.Pixel(400, 399));
  EXPECT_EQ(m.Presented().Pixel(102, 103), screen.Pixel(101, 101));

  // Near the right and the bottom the lens stays on the screen, and so does
  // the area it shows.
  m.MoveTo(500, 400);
  want = screen;
  AddLens(want, screen, 340, 180, 490, 330, 300);
  EXPECT_FRAME(m.Presented(), want);
}

TEST_F(MagnifierTest, RightClicksCycleTheLensSizesAndRedrawAtOnce) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  std::vector<int> sizes;
  for (int i = 0; i < 4; ++i) {
    m.Click(20, 30, true);
    sizes.push_back(tool.LensSize);
    gui::Bitmap want = screen;
    const int s = tool.LensSize;
    AddLens(want, screen, std::min(20, 640 - s), std::min(30, 480 - s), 20, 30, s);
    EXPECT_FRAME(m.Presented(), want) << s;
  }
  EXPECT_EQ(sizes, (std::vector<int>{400, 500, 600, 300}));
}

TEST_F(MagnifierTest, APinnedLensStaysWhenTheLiveLensMovesOn) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  m.Click(100, 100);  // pinned by the next move, where that move goes
  EXPECT_TRUE(tool.PinLens);
  m.MoveTo(300, 150);
  EXPECT_FALSE(tool.PinLens);
  m.MoveTo(50, 40);
  gui::Bitmap want = screen;
  AddLens(want, screen, 300, 150, 300, 150, 300);
  AddLens(want, screen, 50, 40, 50, 40, 300);
  EXPECT_FRAME(m.Presented(), want);
  m.MoveTo(0, 0);
  m.MoveTo(5, 0);
  want = screen;
  AddLens(want, screen, 300, 150, 300, 150, 300);
  AddLens(want, screen, 5, 0, 5, 0, 300);
  EXPECT_FRAME(m.Presented(), want);

  // The next show starts from a new grab with nothing pinned, even when the
  // last one was closed with a pin pending: its first move (the show's
  // nudge, where that click was) pins nothing there.
  m.Click(320, 170);
  m.Key(kMagnifier);
  m.Key(kMagnifier);
  m.MoveTo(6, 0);
  want = screen;
  AddLens(want, screen, 6, 0, 6, 0, 300);
  EXPECT_FRAME(m.Presented(), want);
}

class SmallScreenMagnifierTest : public MagnifierTest {
 protected:
  SmallScreenMagnifierTest() : MagnifierTest(64, 48) {}
};

TEST_F(SmallScreenMagnifierTest, ALensLargerThanTheScreenIsPushedOffTheTopAndCut) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  m.MoveTo(10, 10);
  // LX = 64 - 300, LY = 48 - 300; the source corner 64 - 150, 48 - 150.
  gui::Bitmap want = screen;
  AddLens(want, screen, -236, -252, -86, -102, 300);
  EXPECT_FRAME(m.Presented(), want);
  EXPECT_EQ(m.Presented().Pixel(0, 0), screen.Pixel(32, 24));
  EXPECT_EQ(m.Presented().Pixel(63, 10), kFrameRed) << "only the right and bottom edges show";
  EXPECT_EQ(m.Presented().Pixel(10, 47), kFrameRed);
}

// ---- partial frames, objects --------------------------------------------------------

template <class Tool>
std::vector<gui::Bitmap> Frames(int w, int h, int mode, bool whole,
                                void (*script)(Machine&, std::vector<gui::Bitmap>&)) {
  Machine m(w, h);
  m.Install<Tool>(mode, whole);
  std::vector<gui::Bitmap> frames;
  script(m, frames);
  return frames;
}

void ZoomScript(Machine& m, std::vector<gui::Bitmap>& frames) {
  for (int show = 0; show < 2; ++show) {
    m.Key(kZoom);
    const auto step = [&] { frames.push_back(m.Presented()); };
    for (auto [x, y] : {std::pair{5, 5}, {6, 5}, {63, 47}, {62, 46}, {0, 0}}) {
      m.MoveTo(x, y);
      step();
    }
    m.Click(10, 10);
    step();
    m.Click(11, 10, true);
    step();
    m.Repaint();
    m.MoveTo(11, 11);
    step();
    m.Key(kZoom);
  }
}

void MagnifierScript(Machine& m, std::vector<gui::Bitmap>& frames) {
  for (int show = 0; show < 2; ++show) {
    m.Key(kMagnifier);
    const auto step = [&] { frames.push_back(m.Presented()); };
    for (auto [x, y] : {std::pair{5, 5}, {6, 5}, {150, 100}, {150, 100}, {319, 239}}) {
      m.MoveTo(x, y);
      step();
    }
    m.Click(40, 30);
    step();
    m.MoveTo(60, 50);
    step();
    m.MoveTo(200, 10);
    step();
    m.Click(200, 10, true);
    step();
    m.Click(100, 100);
    m.Click(100, 101, true);
    step();
    m.MoveTo(0, 200);
    step();
    m.Repaint();
    m.MoveTo(1, 200);
    step();
    m.Key(kMagnifier);
  }
}

TEST(ZoomMagnifierFramesTest, PartialFramesShowExactlyWhatWholeFramesShow) {
  const auto zoom = Frames<ZoomTool>(64, 48, kZoomMode, false, ZoomScript);
  const auto zoomWhole = Frames<ZoomTool>(64, 48, kZoomMode, true, ZoomScript);
  ASSERT_EQ(zoom.size(), zoomWhole.size());
  for (std::size_t i = 0; i < zoom.size(); ++i) EXPECT_FRAME(zoom[i], zoomWhole[i]) << i;

  const auto lens = Frames<MagnifierTool>(320, 240, kMagnifierMode, false, MagnifierScript);
  const auto lensWhole = Frames<MagnifierTool>(320, 240, kMagnifierMode, true, MagnifierScript);
  ASSERT_EQ(lens.size(), lensWhole.size());
  for (std::size_t i = 0; i < lens.size(); ++i) EXPECT_FRAME(lens[i], lensWhole[i]) << i;
}

TEST(ZoomMagnifierObjectsTest, CountsStayFlatOverManyEventsAndShows) {
  Machine m(64, 48);
  m.Install<ZoomTool>(kZoomMode);
  auto& lens = m.Install<MagnifierTool>(kMagnifierMode);
  lens.LensSize = 300;
  ExpectCountsFlat(m, kZoom, kMagnifier, 3);
}

}  // namespace
