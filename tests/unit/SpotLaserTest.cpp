// Spot Light and Laser Beam on a simulated machine: the frames they put on
// the overlay, pixel for pixel against what the tools' rules give, their
// cycles of sizes, shapes and colours, the guards for stored values out of
// range, the partial frames against whole ones, and no object left behind.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "effects/tools/SpotLaser.h"
#include "tests/unit/SurfaceToolMachine.h"

namespace {

using namespace surface_test;
using tools::LaserBeamTool;
using tools::SpotLightTool;

constexpr unsigned kSpotLight = 5, kLaserBeam = 6;  // effect codes
constexpr int kSpotMode = 6, kLaserMode = 7;

// The darkened screen (the checkerboard's 0 bits black) with one area lit.
gui::Bitmap SpotFrame(const gui::Bitmap& screen, const gui::IRect& lit) {
  gui::Bitmap out = screen;
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x)
      if (!lit.Contains(x, y) && (x + y) % 2 == 0) out.SetPixel(x, y, gui::kBlack);
  return out;
}

// A pen of width d from (x, y) to (x + 1, y + 1) with round ends covers the
// pixels closer than d / 2 to that segment; a thin pen only (x, y).
bool InDot(int px, int py, int x, int y, int d) {
  if (d <= 1) return px == x && py == y;
  double t = ((px - x) + (py - y)) / 2.0;
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  const double ex = px - (x + t), ey = py - (y + t);
  return ex * ex + ey * ey < d * d / 4.0;
}

gui::Bitmap WithDot(gui::Bitmap frame, int x, int y, int d, gui::Color c) {
  for (int py = 0; py < frame.Height(); ++py)
    for (int px = 0; px < frame.Width(); ++px)
      if (InDot(px, py, x, y, d)) frame.SetPixel(px, py, c);
  return frame;
}

// ---- Spot Light -------------------------------------------------------------------

class SpotLightTest : public ::testing::Test {
 protected:
  SpotLightTest() : m(64, 48), tool(m.Install<SpotLightTool>(kSpotMode)) {
    m.settings().SpotLightWidth = 20;
    m.settings().SpotLightHeight = 10;
    m.Key(kSpotLight);
  }
  Machine m;
  SpotLightTool& tool;
};

TEST_F(SpotLightTest, BoxHasThePointerAsItsTopLeftCornerAndTheRestIsDimmed) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  m.MoveTo(10, 8);
  EXPECT_FRAME(m.Presented(), SpotFrame(screen, {10, 8, 30, 18}));
  EXPECT_EQ(m.Presented().Pixel(10, 8), screen.Pixel(10, 8)) << "the corner is lit";
  EXPECT_EQ(m.Presented().Pixel(9, 9), gui::kBlack) << "left of the box, a dark pixel";
  EXPECT_EQ(m.Presented().Pixel(29, 17), screen.Pixel(29, 17)) << "the far corner is lit";
  EXPECT_EQ(m.Presented().Pixel(30, 18), gui::kBlack) << "right and bottom are exclusive";
  EXPECT_EQ(m.Presented().Pixel(9, 8), screen.Pixel(9, 8)) << "the checkerboard keeps odd sums";

  m.MoveTo(50, 40);  // the box runs off the screen and is cut there
  EXPECT_FRAME(m.Presented(), SpotFrame(screen, {50, 40, 64, 48}));
}

TEST_F(SpotLightTest, RightClicksStepBoxBandsAndBoxAndTheAreaChangesWithoutAMove) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  m.MoveTo(10, 8);
  m.Click(10, 8, true);
  EXPECT_EQ(m.settings().SpotLightStyle, 1);
  EXPECT_FRAME(m.Presented(), SpotFrame(screen, {0, 8, 64, 18})) << "full width, SH high";
  m.Click(10, 8, true);
  EXPECT_EQ(m.settings().SpotLightStyle, 2);
  EXPECT_FRAME(m.Presented(), SpotFrame(screen, {10, 0, 30, 48})) << "full height, SW wide";
  m.Click(10, 8, true);
  EXPECT_EQ(m.settings().SpotLightStyle, 0);
  EXPECT_FRAME(m.Presented(), SpotFrame(screen, {10, 8, 30, 18}));
}

TEST_F(SpotLightTest, LeftClicksGrowTheBoxBy50AndSixReturnItTo200) {
  m.settings().SpotLightWidth = m.settings().SpotLightHeight = 200;
  std::vector<int> widths;
  for (int i = 0; i < 6; ++i) {
    m.Click(1, 1);
    widths.push_back(m.settings().SpotLightWidth);
    EXPECT_EQ(m.settings().SpotLightHeight, m.settings().SpotLightWidth);
  }
  EXPECT_EQ(widths, (std::vector<int>{250, 300, 350, 400, 450, 200}));

  // The new size shows at once: a box of 70 x 60 from (1, 1).
  m.settings().SpotLightWidth = 20;
  m.settings().SpotLightHeight = 10;
  m.Click(1, 1);
  EXPECT_FRAME(m.Presented(), SpotFrame(m.sys.Wallpaper(), {1, 1, 64, 48}));
}

TEST_F(SpotLightTest, StyleOutsideTheTableDrawsNothingAndRisesWithoutWrapping) {
  m.MoveTo(10, 8);
  const gui::Bitmap before = m.Presented();
  m.settings().SpotLightStyle = 3;
  m.MoveTo(40, 30);
  EXPECT_FRAME(m.Presented(), before);
  m.Click(40, 30, true);
  EXPECT_EQ(m.settings().SpotLightStyle, 4);
  EXPECT_FRAME(m.Presented(), before);

  m.settings().SpotLightStyle = std::numeric_limits<std::int32_t>::max();
  m.Click(40, 30, true);
  EXPECT_EQ(m.settings().SpotLightStyle, std::numeric_limits<std::int32_t>::max());
  m.settings().SpotLightStyle = -1;
  m.Click(40, 30, true);
  EXPECT_EQ(m.settings().SpotLightStyle, 0);
  EXPECT_FRAME(m.Presented(), SpotFrame(m.sys.Wallpaper(), {40, 30, 60, 40}));
}

TEST_F(SpotLightTest, AMoveBeforeTheShowsFirstPaintLeavesTheFirstFrameToThePaint) {
  m.Key(kSpotLight);  // closed
  m.harness.process->SetCursorPos(10, 8);
  m.harness.Main().DispatchEffect(kSpotLight);
  // As under Wine, the window that appeared under the pointer hears of a
  // move before its first paint.
  m.harness.process->PostMessageA(m.overlay().Handle(), platform::msg::kMouseMove, 0,
                                  platform::MakeLParam(10, 8));
  m.harness.app.ProcessMessages();
  EXPECT_FRAME(m.Presented(), SpotFrame(m.sys.Wallpaper(), {10, 8, 30, 18}));
}

TEST_F(SpotLightTest, AShowWithAStyleOutsideTheTableShowsTheFrozenPicture) {
  m.Key(kSpotLight);  // closed
  m.settings().SpotLightStyle = 3;
  m.Key(kSpotLight);
  EXPECT_FRAME(m.Presented(), m.sys.Wallpaper());
  m.Repaint();
  EXPECT_FRAME(m.Presented(), m.sys.Wallpaper());
}

TEST_F(SpotLightTest, APaintOfTheWindowShowsTheLastFrameNotTheFrozenPicture) {
  m.MoveTo(10, 8);
  m.Repaint();
  EXPECT_FRAME(m.Presented(), SpotFrame(m.sys.Wallpaper(), {10, 8, 30, 18}));
  m.MoveTo(11, 8);
  EXPECT_FRAME(m.Presented(), SpotFrame(m.sys.Wallpaper(), {11, 8, 31, 18}));
}

// ---- Laser Beam -------------------------------------------------------------------

class LaserBeamTest : public ::testing::Test {
 protected:
  explicit LaserBeamTest(int w = 64, int h = 48)
      : m(w, h), tool(m.Install<LaserBeamTool>(kLaserMode)) {
    m.Key(kLaserBeam);
  }
  Machine m;
  LaserBeamTool& tool;
};

TEST_F(LaserBeamTest, TheDotIsTenPixelsAcrossCentredOnThePointerInItsColour) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  m.MoveTo(30, 30);
  const gui::Color red = m.settings().LaserBeamColor;
  ASSERT_EQ(red, 0x0000FFu);
  EXPECT_FRAME(m.Presented(), WithDot(screen, 30, 30, 10, red));
  // Row 30 and column 30: pixels 26 to 35.
  for (int i = 24; i < 38; ++i) {
    const bool in = i >= 26 && i <= 35;
    EXPECT_EQ(m.Presented().Pixel(i, 30), in ? red : screen.Pixel(i, 30)) << i;
    EXPECT_EQ(m.Presented().Pixel(30, i), in ? red : screen.Pixel(30, i)) << i;
  }
  EXPECT_EQ(m.overlay().LastX, 30);
  EXPECT_EQ(m.overlay().LastY, 30);

  m.MoveTo(45, 20);  // the old dot is gone, the new one is there
  EXPECT_FRAME(m.Presented(), WithDot(screen, 45, 20, 10, red));
}

TEST_F(LaserBeamTest, LeftClicksPickGreenRedYellowBlueGreenAndShowItAtOnce) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  const std::vector<gui::Color> want = {0x008000, 0x0000FF, 0x00FFFF, 0xFF0000, 0x008000};
  for (gui::Color c : want) {
    m.Click(32, 32);
    EXPECT_EQ(m.settings().LaserBeamColor, c);
    EXPECT_FRAME(m.Presented(), WithDot(screen, 32, 32, 10, c));
  }
  EXPECT_EQ(tool.LaserColorIndex, 1);
}

TEST_F(LaserBeamTest, RightClicksStepTheDot10_20_30_10AndAStored4BecomesOne) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  const gui::Color c = m.settings().LaserBeamColor;
  for (int width : {20, 30, 10, 20}) {
    m.Click(32, 24, true);
    EXPECT_EQ(m.settings().LaserBeamSize, width / 10);
    EXPECT_FRAME(m.Presented(), WithDot(screen, 32, 24, width, c)) << width;
  }
  m.settings().LaserBeamSize = 4;  // the dialog's 40-pixel dot
  m.MoveTo(32, 25);
  EXPECT_FRAME(m.Presented(), WithDot(screen, 32, 25, 40, c));
  m.Click(32, 25, true);
  EXPECT_EQ(m.settings().LaserBeamSize, 1);
  EXPECT_FRAME(m.Presented(), WithDot(screen, 32, 25, 10, c)) << "the 40-pixel dot went whole";
}

TEST_F(LaserBeamTest, MovingOutOfTheEdgeZoneLeavesNoDotAtTheEdge) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  const gui::Color c = m.settings().LaserBeamColor;
  m.MoveTo(10, 30);
  EXPECT_FRAME(m.Presented(), WithDot(screen, 10, 30, 10, c));
  m.MoveTo(40, 30);
  EXPECT_FRAME(m.Presented(), WithDot(screen, 40, 30, 10, c));
  m.MoveTo(40, 3);
  m.MoveTo(45, 40);
  EXPECT_FRAME(m.Presented(), WithDot(screen, 45, 40, 10, c));
}

TEST_F(LaserBeamTest, HugeAndNegativeSizesNeitherOverflowNorLeaveADot) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  const gui::Color c = m.settings().LaserBeamColor;
  m.settings().LaserBeamSize = std::numeric_limits<std::int32_t>::max();
  m.MoveTo(30, 30);
  EXPECT_FRAME(m.Presented(), gui::Bitmap(64, 48, c)) << "a dot over the whole screen";
  m.settings().LaserBeamSize = 1;
  m.MoveTo(50, 40);
  EXPECT_FRAME(m.Presented(), WithDot(screen, 50, 40, 10, c));

  m.settings().LaserBeamSize = std::numeric_limits<std::int32_t>::max();
  m.Click(50, 40, true);
  EXPECT_EQ(m.settings().LaserBeamSize, 1);

  m.settings().LaserBeamSize = -3;  // a one-pixel dot
  m.MoveTo(40, 30);
  EXPECT_FRAME(m.Presented(), WithDot(screen, 40, 30, 1, c));
  m.Click(40, 30, true);
  EXPECT_EQ(m.settings().LaserBeamSize, -2);

  EXPECT_EQ(LaserBeamTool::DotWidth(std::numeric_limits<std::int32_t>::min(), 64, 48), 0);
  EXPECT_EQ(LaserBeamTool::DotWidth(3, 64, 48), 30);
  EXPECT_EQ(LaserBeamTool::DotWidth(1000, 3840, 2160), 10000);
  EXPECT_EQ(LaserBeamTool::DotWidth(100000, 3840, 2160), 2 * (3840 + 2160) + 4);
}

class WideLaserTest : public LaserBeamTest {
 protected:
  WideLaserTest() : LaserBeamTest(320, 240) {}
};

TEST_F(WideLaserTest, ADotWiderThanTheSavedSquareIsStillRestoredWhole) {
  const gui::Bitmap screen = m.sys.Wallpaper();
  const gui::Color c = m.settings().LaserBeamColor;
  m.settings().LaserBeamSize = 12;  // 120 pixels: past the 100 x 100 square
  m.MoveTo(160, 120);
  EXPECT_FRAME(m.Presented(), WithDot(screen, 160, 120, 120, c));
  EXPECT_EQ(m.Presented().Pixel(160 + 59, 121), c) << "reaches past the square's edge";
  m.settings().LaserBeamSize = 1;
  m.MoveTo(60, 60);
  EXPECT_FRAME(m.Presented(), WithDot(screen, 60, 60, 10, c));
  EXPECT_EQ(LaserBeamTool::RestoreSquare(160, 120, 10, 320, 240), (gui::IRect{110, 70, 210, 170}));
  EXPECT_EQ(LaserBeamTool::RestoreSquare(160, 120, 120, 320, 240), (gui::IRect{98, 58, 222, 182}));
}

// ---- partial frames, objects --------------------------------------------------------

// The frames on the window after each step of a script, the tool composing
// and presenting only what changed, or everything.
template <class Tool>
std::vector<gui::Bitmap> Frames(int mode, bool whole,
                                void (*script)(Machine&, std::vector<gui::Bitmap>&)) {
  Machine m(64, 48);
  m.Install<Tool>(mode, whole);
  std::vector<gui::Bitmap> frames;
  script(m, frames);
  return frames;
}

void SpotScript(Machine& m, std::vector<gui::Bitmap>& frames) {
  m.settings().SpotLightWidth = 20;
  m.settings().SpotLightHeight = 10;
  for (int show = 0; show < 2; ++show) {
    m.Key(kSpotLight);
    const auto step = [&] { frames.push_back(m.Presented()); };
    for (auto [x, y] : {std::pair{5, 5}, {6, 5}, {30, 20}, {30, 20}, {63, 47}, {0, 0}, {20, 20}}) {
      m.MoveTo(x, y);
      step();
    }
    m.Click(20, 20, true);
    step();
    m.MoveTo(25, 22);
    step();
    m.Click(25, 22, true);
    step();
    m.MoveTo(40, 10);
    step();
    m.Click(40, 10);
    step();
    m.Repaint();
    m.MoveTo(41, 10);
    step();
    m.Click(41, 10, true);
    m.MoveTo(3, 44);
    step();
    m.Key(kSpotLight);
  }
}

void LaserScript(Machine& m, std::vector<gui::Bitmap>& frames) {
  for (int show = 0; show < 2; ++show) {
    m.Key(kLaserBeam);
    const auto step = [&] { frames.push_back(m.Presented()); };
    for (auto [x, y] :
         {std::pair{30, 30}, {31, 31}, {10, 30}, {40, 30}, {40, 5}, {26, 26}, {26, 26}}) {
      m.MoveTo(x, y);
      step();
    }
    m.Click(40, 40);
    step();
    m.Click(40, 40, true);
    step();
    m.Click(41, 40, true);
    step();
    m.MoveTo(20, 44);
    step();
    m.settings().LaserBeamSize = 12;
    m.MoveTo(32, 24);
    step();
    m.settings().LaserBeamSize = 1;
    m.MoveTo(50, 40);
    step();
    m.Repaint();
    m.MoveTo(50, 41);
    step();
    // A press away from the dot moves LastX and LastY but not the dot.
    m.overlay().Image_DrawMouseDown(gui::MouseButton::Middle, 0, 5, 5);
    m.MoveTo(52, 41);
    step();
    m.Key(kLaserBeam);
  }
}

TEST(SpotLaserFramesTest, PartialFramesShowExactlyWhatWholeFramesShow) {
  const auto spot = Frames<SpotLightTool>(kSpotMode, false, SpotScript);
  const auto spotWhole = Frames<SpotLightTool>(kSpotMode, true, SpotScript);
  ASSERT_EQ(spot.size(), spotWhole.size());
  for (std::size_t i = 0; i < spot.size(); ++i) EXPECT_FRAME(spot[i], spotWhole[i]) << i;

  const auto laser = Frames<LaserBeamTool>(kLaserMode, false, LaserScript);
  const auto laserWhole = Frames<LaserBeamTool>(kLaserMode, true, LaserScript);
  ASSERT_EQ(laser.size(), laserWhole.size());
  for (std::size_t i = 0; i < laser.size(); ++i) EXPECT_FRAME(laser[i], laserWhole[i]) << i;
}

TEST(SpotLaserObjectsTest, CountsStayFlatOverManyEventsAndShows) {
  Machine m(64, 48);
  m.Install<SpotLightTool>(kSpotMode);
  m.Install<LaserBeamTool>(kLaserMode);
  ExpectCountsFlat(m, kSpotLight, kLaserBeam, 2);
}

}  // namespace
