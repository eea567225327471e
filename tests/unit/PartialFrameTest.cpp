// The overlay composes and presents only what changed. Every tool is
// driven through one script on two machines, one composing the changed
// parts and one painting every frame whole, and after every event the two
// screens must be the same pixels; for the tools drawn by the form's
// controls the screen must also be the composition of the whole form.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "effects/Dispatcher.h"
#include "tests/support/OverlayDriver.h"

namespace {

using namespace testing_support;

constexpr int kW = 160, kH = 120;
constexpr unsigned kMark = 0, kReveal = 1, kLine = 2, kZoom = 3, kPen = 4, kSpot = 5, kLaser = 6,
                   kRectangle = 7, kMagnifier = 8, kBreak = 12;

gui::Color Wall(int x, int y) {
  return gui::Rgb((x * 7 + 1) & 0xFF, (y * 11 + 3) & 0xFF, (x + y * 3 + 5) & 0xFF);
}

std::string FirstDifference(const gui::Bitmap& got, const gui::Bitmap& want) {
  if (got.Width() != want.Width() || got.Height() != want.Height())
    return "sizes " + std::to_string(got.Width()) + "x" + std::to_string(got.Height()) + " and " +
           std::to_string(want.Width()) + "x" + std::to_string(want.Height());
  for (int y = 0; y < got.Height(); ++y)
    for (int x = 0; x < got.Width(); ++x)
      if (got.Pixel(x, y) != want.Pixel(x, y))
        return "pixel " + std::to_string(x) + "," + std::to_string(y);
  return "";
}

struct Machine : OverlayDriver {
  explicit Machine(bool whole) : OverlayDriver(kW, kH) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) sys.Wallpaper().SetPixel(x, y, Wall(x, y));
    overlay().SetWholeFrames(whole);
  }
};

class PartialFrameTest : public ::testing::Test {
 protected:
  using Action = std::function<void(Machine&)>;

  // One event on both machines, then the screens compared.
  void Step(const std::string& what, const Action& act) {
    act(partial);
    act(whole);
    ++steps;
    ASSERT_EQ(FirstDifference(partial.Shown(), whole.Shown()), "") << "after " << what;
    if (formDrawn) {
      ASSERT_EQ(FirstDifference(partial.Shown(), partial.overlay().RenderFrame()), "")
          << "the whole form's composition, after " << what;
    }
  }
  void Open(unsigned code, int x, int y) {
    Step("the show", [&](Machine& m) { m.Open(code, x, y); });
  }
  void Move(int x, int y) {
    Step("a move to " + std::to_string(x) + "," + std::to_string(y),
         [&](Machine& m) { m.Move(x, y); });
  }
  void Click(bool right) {
    Step(right ? "a right click" : "a left click", [&](Machine& m) { m.Press(right); });
  }
  void Button(bool down) {
    Step(down ? "a press" : "a release", [&](Machine& m) { m.Button(false, down); });
  }
  // A walk over the screen: along the edges, across the middle, jumps and
  // small steps, and off the right and bottom edges.
  void Walk() {
    const int points[][2] = {{0, 0},   {1, 0},    {15, 3},   {16, 16},   {17, 17},  {40, 30},
                             {41, 30}, {80, 60},  {159, 60}, {159, 119}, {0, 119},  {120, 5},
                             {5, 100}, {60, 61},  {62, 59},  {100, 100}, {30, 110}, {150, 20},
                             {26, 26}, {25, 100}, {24, 24},  {70, 70}};
    for (const auto& p : points) Move(p[0], p[1]);
  }
  // The window painted again by the system between two events.
  void Repaint() {
    Step("a repaint", [&](Machine& m) {
      m.overlay().Invalidate();
      m.h.app.ProcessMessages();
    });
  }

  Machine partial{false};
  Machine whole{true};
  bool formDrawn = false;  // the frame is the form's controls alone
  int steps = 0;
};

TEST_F(PartialFrameTest, RevealInEveryStyleAndColour) {
  formDrawn = true;
  Open(kReveal, 30, 30);
  for (int style = 0; style < 4; ++style) {
    Walk();
    Click(false);  // the next colour, shown at the next move
    Move(50, 50);
    Move(52, 48);
    Click(true);  // the next style, shown at once by the nudge
  }
  Repaint();
  Move(90, 90);
  EXPECT_GT(steps, 90);
}

TEST_F(PartialFrameTest, LineInEveryStyleAndColour) {
  formDrawn = true;
  Open(kLine, 30, 30);
  for (int style = 0; style < 3; ++style) {
    Walk();
    Click(false);
    Move(3, 3);
    Move(4, 3);
    Click(true);
  }
  Repaint();
  Walk();
}

TEST_F(PartialFrameTest, RevealAndLineAgainOnALaterShow) {
  formDrawn = true;
  Open(kReveal, 100, 10);
  Walk();
  Step("Esc", [](Machine& m) { m.Close(); });
  formDrawn = false;  // closed: the window shows what it last showed
  Open(kLine, 10, 100);
  formDrawn = true;
  Walk();
  Step("Esc", [](Machine& m) { m.Close(); });
  formDrawn = false;
  Open(kReveal, 70, 70);
  formDrawn = true;
  Walk();
}

TEST_F(PartialFrameTest, RectangleBandsInEveryDirectionFixedAndWidened) {
  formDrawn = true;
  Open(kRectangle, 50, 50);
  Click(false);  // the anchor
  Walk();
  Click(true);  // wider outlines while the box is open
  Move(20, 100);
  Click(true);
  Click(true);
  Move(140, 10);
  Move(51, 51);
  Move(50, 50);  // an empty band
  Move(10, 10);
  Click(false);  // fixed into the picture
  Move(90, 90);  // no box open: nothing follows
  Click(false);
  Move(100, 20);
  Move(159, 119);
  Repaint();
  Click(false);
  Move(60, 60);
}

TEST_F(PartialFrameTest, BreakCountdownTicks) {
  formDrawn = true;
  partial.p().Settings.BreakMinutes = 1;
  whole.p().Settings.BreakMinutes = 1;
  Open(kBreak, 10, 10);
  // 0:59 down to 0:0 and the end: narrow and wide seconds, the minute.
  for (int tick = 0; tick < 62; ++tick)
    Step("tick " + std::to_string(tick), [](Machine& m) { m.RunFor(1000); });
  Move(20, 20);
}

TEST_F(PartialFrameTest, PenStrokesAndMarks) {
  Open(kPen, 40, 40);
  Button(true);
  Walk();
  Button(false);
  Move(10, 10);
  Click(true);
  Button(true);
  Move(80, 20);
  Move(81, 90);
  Button(false);
  Repaint();
  Step("Esc", [](Machine& m) { m.Close(); });
  Open(kMark, 20, 20);
  Click(false);
  Move(150, 110);
  Click(false);
  Click(true);
  Move(0, 0);
  Click(false);
}

TEST_F(PartialFrameTest, SurfaceToolsFollowThePointer) {
  for (unsigned code : {kZoom, kSpot, kLaser, kMagnifier}) {
    SCOPED_TRACE("effect " + std::to_string(code));
    Open(code, 30, 30);
    Walk();
    Click(false);
    Move(60, 40);
    Click(true);
    Walk();
    Repaint();
    Move(12, 90);
    Step("Esc", [](Machine& m) { m.Close(); });
  }
}

// Moves that queue up while the overlay is busy reach it as one, at the
// last point, as the system merges them: the frame shown is the one of the
// event before, and no move is left waiting.
TEST_F(PartialFrameTest, QueuedMovesMergeIntoOne) {
  formDrawn = true;
  Open(kLine, 10, 10);
  Move(20, 20);
  Step("three moves at once", [](Machine& m) {
    for (int x : {30, 40, 50}) m.h.process->SetCursorPos(x, 60);
    m.h.app.ProcessMessages();
  });
  // The frame of (20, 20) shows: a vertical bar at x = 20.
  const gui::Bitmap& shown = partial.Shown();
  EXPECT_EQ(shown.Pixel(22, 5), gui::kWhite);
  EXPECT_NE(shown.Pixel(32, 5), gui::kWhite);
  EXPECT_NE(shown.Pixel(42, 5), gui::kWhite);
  Move(51, 60);  // now the merged event's frame: the bar at x = 50
  EXPECT_EQ(partial.Shown().Pixel(52, 5), gui::kWhite);
  EXPECT_NE(partial.Shown().Pixel(22, 5), gui::kWhite);
}

}  // namespace
