// The program on a screen at 100, 150 and 200 %: the overlay and its tools
// in the monitor's own pixels with their sizes scaled to look the same, the
// forms' 96-DPI designs shown at the scale. At 96 DPI the tools' and the
// forms' own tests hold every pixel to the design.
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "dialogs/About.h"
#include "dialogs/Effecttable.h"
#include "dialogs/Seeting.h"
#include "effects/tools/Mark.h"
#include "tests/unit/SurfaceToolMachine.h"

namespace {

using namespace surface_test;

constexpr unsigned kMark = 0, kPen = 4, kSpotLight = 5, kBreakTime = 12;  // effect codes

// What the scale makes of the design's sizes, worked out by hand: v * dpi /
// 96, halves away from zero.
struct Scaled {
  std::uint32_t dpi;
  int spotWidth, spotHeight;  // of 20 x 10
  int penDotAcross;           // pixels across a dot of the 5-pixel pen
  int stamp;                  // of 32
  int digits, colon;          // of 64 and 48
  int minuteLeft, minuteTop, secondLeft, colonLeft, colonTop;  // of -85, -25, 30, -15, -20
  int palette[2], settings[2];  // the windows of 192 x 262 and 359 x 267
  int closeBox[2];              // the palette's close box at 176, 16
  int trayIcon;                 // the small icon's size, 16 at 96 DPI
};

class DpiScaleTest : public ::testing::TestWithParam<Scaled> {};

TEST_P(DpiScaleTest, ToolSizesScaleWithTheMonitorsDpi) {
  const Scaled& s = GetParam();
  Machine m(64, 48, s.dpi);

  m.settings().SpotLightWidth = 20;
  m.settings().SpotLightHeight = 10;
  m.Key(kSpotLight);
  m.MoveTo(10, 8);
  const gui::Bitmap screen = m.sys.Wallpaper();
  gui::Bitmap lit = screen;  // dimmed by the checkerboard but for the box
  const gui::IRect box{10, 8, 10 + s.spotWidth, 8 + s.spotHeight};
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      if (!box.Contains(x, y) && (x + y) % 2 == 0) lit.SetPixel(x, y, gui::kBlack);
  EXPECT_FRAME(m.Presented(), lit);
  m.Key(kSpotLight);

  m.settings().PenSize = 1;
  m.Key(kPen);
  m.Click(30, 24);  // a dot of the pen's width
  int across = 0;
  for (int x = 0; x < 64; ++x) across += m.Presented().Pixel(x, 24) != screen.Pixel(x, 24);
  EXPECT_EQ(across, s.penDotAcross);
  m.Key(kPen);

  auto& mark = m.Install<tools::MarkTool>(1);
  m.settings().MarkChoice = 0;
  m.Key(kMark);
  m.Click(5, 5);
  EXPECT_EQ(mark.MarkIcon.color.Width(), s.stamp);
  EXPECT_EQ(mark.MarkIcon.color.Height(), s.stamp);
  m.Key(kMark);
}

// The tools whose sizes the test above leaves out, at 150 %, where a size
// scaled at the wrong step shows (the laser's 30-pixel dot is 45 there).
TEST(DpiScaleAtOneAndAHalf, TheLaserDotTheLineBarAndTheRectanglesOutlineAreHalfAsLargeAgain) {
  constexpr unsigned kLine = 2, kLaser = 6, kRectangle = 7;
  Machine m(160, 120, 144);
  const gui::Bitmap screen = m.sys.Wallpaper();
  const auto across = [&](int y) {
    int n = 0;
    for (int x = 0; x < 160; ++x) n += m.Presented().Pixel(x, y) != screen.Pixel(x, y);
    return n;
  };
  m.settings().LaserBeamSize = 1;
  m.Key(kLaser);
  for (const int dot : {15, 30, 45}) {
    m.MoveTo(80, 60);
    // The round pen's stroke to one pixel down and right widens an odd
    // dot by that pixel.
    EXPECT_NEAR(across(60), dot, 1);
    m.Click(80, 60, true);  // the next size
  }
  m.Key(kLaser);

  m.settings().LineStyle = 0;  // the vertical bar
  m.Key(kLine);
  m.MoveTo(80, 60);
  EXPECT_EQ(across(60), 8) << "5 pixels at 96 DPI";
  m.Key(kLine);

  m.overlay().RectanglePenWidth = 3;
  m.Key(kRectangle);
  m.Click(20, 20);
  m.MoveTo(120, 100);
  m.Click(120, 100);
  int down = 0;
  for (int y = 0; y < 120; ++y) down += m.Presented().Pixel(70, y) != screen.Pixel(70, y);
  EXPECT_EQ(down, 2 * 5) << "two edges of 3 pixels at 96 DPI";
  m.Key(kRectangle);
}

TEST_P(DpiScaleTest, BreakDigitsTakeTheScaledFacesAndPlacesAroundTheCentre) {
  const Scaled& s = GetParam();
  Machine m(320, 240, s.dpi);
  m.settings().BreakMinutes = 10;
  m.Key(kBreakTime);
  const TForm_Draw& o = m.overlay();
  EXPECT_EQ(o.LabelMinute.Font().charHeight, s.digits);
  EXPECT_EQ(o.LabelSecond.Font().charHeight, s.digits);
  EXPECT_EQ(o.Labelinteral.Font().charHeight, s.colon);
  EXPECT_EQ(o.LabelMinute.Left(), 160 + s.minuteLeft);
  EXPECT_EQ(o.LabelMinute.Top(), 120 + s.minuteTop);
  EXPECT_EQ(o.LabelSecond.Left(), 160 + s.secondLeft);
  EXPECT_EQ(o.LabelSecond.Top(), 120 + s.minuteTop);
  EXPECT_EQ(o.Labelinteral.Left(), 160 + s.colonLeft);
  EXPECT_EQ(o.Labelinteral.Top(), 120 + s.colonTop);
  // The separator stands clear between the minutes and the seconds.
  EXPECT_LE(o.LabelMinute.BoundsRect().right, o.Labelinteral.Left());
  EXPECT_LE(o.Labelinteral.BoundsRect().right, o.LabelSecond.Left());
}

TEST_P(DpiScaleTest, TheFormsShowTheirDesignAtTheScaleAndTakeThePointerThere) {
  const Scaled& s = GetParam();
  Machine m(1024, 768, s.dpi);
  m.Key(kSpotLight);
  platform::Platform& sys = *m.harness.process;
  EXPECT_EQ(sys.GetDpiForWindow(m.overlay().Handle()), s.dpi);
  platform::Rect r;
  ASSERT_TRUE(sys.GetWindowRect(m.overlay().Handle(), &r));
  EXPECT_EQ(r, (platform::Rect{0, 0, 1024, 768})) << "the overlay covers the screen, unscaled";
  m.Key(kSpotLight);

  TForm_Main& palette = m.harness.Main();
  if (m.program().PaletteCollapsed) palette.Minimized1Click();  // the tray menu's "MainMenu"
  m.harness.app.ProcessMessages();
  ASSERT_TRUE(sys.GetWindowRect(palette.Handle(), &r));
  EXPECT_EQ(r.Width(), s.palette[0]);
  EXPECT_EQ(r.Height(), s.palette[1]);
  EXPECT_EQ(palette.Width(), 192) << "the design's size";
  // The window shows the design enlarged: in the middle of the window's
  // block for each design pixel, that pixel's colour, but for the blending
  // along the edges of its pictures and text.
  const gui::Bitmap design = palette.RenderFrame();
  const gui::Bitmap& shown = m.sys.Window(palette.Handle())->frame;
  int off = 0;
  for (int y = 0; y < design.Height(); ++y)
    for (int x = 0; x < design.Width(); ++x) {
      const gui::Color a = design.Pixel(x, y);
      const gui::Color b = shown.Pixel((palette.ToWindow(x) + palette.ToWindow(x + 1)) / 2,
                                       (palette.ToWindow(y) + palette.ToWindow(y + 1)) / 2);
      for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                     static_cast<int>((b >> shift) & 0xFF)) > 64) {
          ++off;
          break;
        }
    }
  EXPECT_LT(off, design.Width() * design.Height() / 10) << "pixels unlike the design's";

  // The pointer resting where the window shows G (its middle at 152, 120
  // in the design) brings up G's hint.
  sys.SetCursorPos(r.left + palette.ToWindow(152), r.top + palette.ToWindow(120));
  m.harness.RunFor(600);
  char hint[64] = {};
  sys.GetWindowTextA(palette.HintWindow(), hint, sizeof hint);
  EXPECT_TRUE(sys.IsWindowVisible(palette.HintWindow()));
  EXPECT_STREQ(hint, "Spot Light (Ctrl+Alt+Shift+F6)");

  // The settings dialog's buttons at the scale: inside the dialog, apart,
  // their captions in their faces at the scale within them.
  TForm_Seeting& dialog = *m.program().Form_Seeting;
  dialog.Show();
  m.harness.app.ProcessMessages();
  platform::Rect box;
  ASSERT_TRUE(sys.GetWindowRect(dialog.Handle(), &box));
  EXPECT_EQ(box.Width(), s.settings[0]);
  EXPECT_EQ(box.Height(), s.settings[1]);
  platform::Rect last{};
  for (const gui::TButton* b : {&dialog.OK, &dialog.Button1, &dialog.Cancle}) {
    ASSERT_TRUE(sys.GetWindowRect(b->Handle(), &r));
    EXPECT_TRUE(r.left >= box.left && r.top >= box.top && r.right <= box.right &&
                r.bottom <= box.bottom)
        << b->Caption();
    EXPECT_GE(r.left, last.right) << b->Caption() << " stands clear of the one before";
    platform::TextExtent text;
    ASSERT_TRUE(sys.MeasureString({b->Font().face, dialog.ToWindow(b->Font().height)}, b->Caption(),
                                  &text));
    EXPECT_LT(text.width, r.Width()) << b->Caption();
    EXPECT_LT(text.height, r.Height()) << b->Caption();
    last = r;
  }

  // A click on the palette's close box where the window shows it ends the
  // program.
  dialog.Hide();
  m.harness.app.ProcessMessages();
  m.harness.Click(palette.Handle(), s.closeBox[0], s.closeBox[1]);
  m.harness.app.ProcessMessages();
  EXPECT_TRUE(m.harness.app.Terminated());
}

TEST_P(DpiScaleTest, TheTrayIconIsDrawnAtTheShellsSizeAndItsMenuOpensInTheScreensPixels) {
  Machine m(64, 48, GetParam().dpi);
  ASSERT_EQ(m.sys.TrayIcons().size(), 1u);
  const gui::MaskedImage* icon = m.sys.Icon(m.sys.TrayIcons()[0].hIcon);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->color.Width(), GetParam().trayIcon);
  EXPECT_EQ(icon->color.Height(), GetParam().trayIcon);

  m.harness.ui.answerMenu = [](const gui::PopupMenuCall&) { return 0; };
  m.sys.ClickTrayIcon(m.harness.Main().Handle(), kTrayIconId, platform::msg::kRButtonDown);
  m.harness.app.ProcessMessages();
  ASSERT_EQ(m.harness.ui.Popups().size(), 1u);
  EXPECT_EQ(m.harness.ui.Popups()[0].x, 64 - 40);
  EXPECT_EQ(m.harness.ui.Popups()[0].y, 48 - 40);
}

INSTANTIATE_TEST_SUITE_P(Scales, DpiScaleTest,
                         ::testing::Values(Scaled{96,
                                                  20,
                                                  10,
                                                  5,
                                                  32,
                                                  64,
                                                  48,
                                                  -85,
                                                  -25,
                                                  30,
                                                  -15,
                                                  -20,
                                                  {192, 262},
                                                  {359, 267},
                                                  {176, 16},
                                                  16},
                                           Scaled{144,
                                                  30,
                                                  15,
                                                  7,
                                                  48,
                                                  96,
                                                  72,
                                                  -128,
                                                  -38,
                                                  45,
                                                  -23,
                                                  -30,
                                                  {288, 393},
                                                  {539, 401},
                                                  {264, 24},
                                                  24},
                                           Scaled{192,
                                                  40,
                                                  20,
                                                  9,
                                                  64,
                                                  128,
                                                  96,
                                                  -170,
                                                  -50,
                                                  60,
                                                  -30,
                                                  -40,
                                                  {384, 524},
                                                  {718, 534},
                                                  {352, 32},
                                                  32}),
                         [](const auto& info) { return "dpi" + std::to_string(info.param.dpi); });

// The taskbar made anew at the primary's new scale keeps the icon: it is
// drawn again at the new size, its tip as it was.
TEST(DpiScaleChange, TheTrayIconIsMadeAgainAtTheSizeOfThePrimarysNewScale) {
  Machine m(64, 48);
  const auto icon = [&] {
    EXPECT_EQ(m.sys.TrayIcons().size(), 1u);
    return m.sys.Icon(m.sys.TrayIcons().at(0).hIcon);
  };
  ASSERT_EQ(icon()->color.Width(), 16);
  const std::string tip = m.sys.TrayIcons()[0].tip;
  m.sys.SetMonitors({{{0, 0, 64, 48}, {}, true, 144}});
  m.harness.app.ProcessMessages();
  ASSERT_NE(icon(), nullptr);
  EXPECT_EQ(icon()->color.Width(), 24);
  EXPECT_EQ(icon()->color.Height(), 24);
  EXPECT_EQ(m.sys.TrayIcons()[0].tip, tip);
}

// A laptop's screen at 150 % with a projector at 100 % to its right, each
// with its taskbar: the forms follow the monitor they are on, each show
// the monitor it covers.
class TwoScalesTest : public ::testing::Test {
 protected:
  static constexpr platform::Rect kLaptop{0, 0, 1024, 768}, kProjector{1024, 0, 1824, 600};
  TwoScalesTest() : sys(kLaptop.Width(), kLaptop.Height()), harness(sys) {
    sys.SetDpi(144);
    sys.SetMonitors(
        {{kLaptop, {0, 0, 1024, 708}, true, 144}, {kProjector, {1024, 0, 1824, 560}, false, 96}});
    const platform::Rect v = sys.VirtualScreen();
    for (int y = 0; y < v.Height(); ++y)
      for (int x = 0; x < v.Width(); ++x) sys.Wallpaper().SetPixel(x, y, PatternAt(x, y));
    harness.process->SetIdleTimeBudget(600'000);
    harness.Start();
  }
  platform::Rect WindowRect(platform::Hwnd h) { return sys.Window(h)->rect; }
  void Key(unsigned code, platform::Point at) {
    sys.PlaceCursor(at);
    harness.Main().DispatchEffect(code);
    harness.app.ProcessMessages();
  }
  // How far the lit box reaches right of the pointer: the run of pixels
  // the overlay shows as the screen is, on a row inside the box whose
  // first pixel past the box the checkerboard darkens.
  int LitRun(platform::Point at) {
    const platform::Rect o = WindowRect(harness.program.Form_Draw->Handle());
    const gui::Bitmap& shown = sys.Window(harness.program.Form_Draw->Handle())->frame;
    int run = 0;
    for (int x = at.x;
         x < o.right && shown.Pixel(x - o.left, at.y + 4 - o.top) == PatternAt(x, at.y + 4); ++x)
      ++run;
    return run;
  }
  void Drag(platform::Hwnd h, platform::Point from, int dx, int steps) {
    const platform::Rect r = WindowRect(h);
    platform::Point at{r.left + from.x, r.top + from.y};
    harness.process->SetCursorPos(at.x, at.y);
    harness.process->mouse_event(platform::kMouseEventLeftDown, 0, 0, 0);
    harness.app.ProcessMessages();
    for (int i = 0; i < steps; ++i) {
      at.x += dx;
      harness.process->SetCursorPos(at.x, at.y);
      harness.app.ProcessMessages();
    }
    harness.process->mouse_event(platform::kMouseEventLeftUp, 0, 0, 0);
    harness.app.ProcessMessages();
  }

  SimSystem sys;
  ProgramHarness harness;
};

TEST_F(TwoScalesTest, EachShowTakesTheScaleOfTheMonitorItCovers) {
  constexpr platform::Point kOnLaptop{100, 100}, kOnProjector{1100, 100};
  for (const auto& [at, box, digits] :
       {std::tuple{kOnLaptop, 300, 96}, std::tuple{kOnProjector, 200, 64},
        std::tuple{kOnLaptop, 300, 96}}) {
    Key(kSpotLight, at);
    harness.process->SetCursorPos(at.x, at.y);
    harness.app.ProcessMessages();
    EXPECT_EQ(LitRun(at), box) << at.x;
    Key(kSpotLight, at);
    Key(kBreakTime, at);
    EXPECT_EQ(harness.program.Form_Draw->LabelMinute.Font().charHeight, digits) << at.x;
    Key(kBreakTime, at);
  }

  // The palette on the projector, then a show on the laptop.
  TForm_Main& palette = harness.Main();
  palette.Minimized1Click();
  palette.SetBounds(1200, 100, palette.Width(), palette.Height());
  harness.app.ProcessMessages();
  ASSERT_EQ(WindowRect(palette.Handle()).Width(), 192);
  Key(kSpotLight, kOnLaptop);
  harness.process->SetCursorPos(kOnLaptop.x, kOnLaptop.y);
  harness.app.ProcessMessages();
  EXPECT_EQ(LitRun(kOnLaptop), 300);
}

// The sizes the spot light's box leaves untested, on each monitor: the
// lens (300, framed in 1), the reveal cover's edge (15 past the pointer,
// the whole screen within 16 of its edge) and the break screen's frame (8,
// half of it inside the screen's left edge and one more at the right).
TEST_F(TwoScalesTest, TheLensTheRevealEdgeAndTheBreakFrameTakeEachMonitorsScale) {
  constexpr unsigned kReveal = 1, kMagnifier = 8;
  constexpr gui::Color kRed = 0x0000FF;
  struct Case {
    platform::Rect monitor;
    int lens, lensFrame, revealWithin, revealPast, frameLeft, frameRight;
  };
  for (const Case& c :
       {Case{kLaptop, 450, 2, 24, 23, 6, 7}, Case{kProjector, 300, 1, 16, 15, 4, 5}}) {
    const platform::Point at{c.monitor.left + 100, 100};
    const platform::Hwnd overlay = harness.program.Form_Draw->Handle();
    const auto shown = [&](int x, int y) {  // in screen coordinates
      const platform::Rect o = WindowRect(overlay);
      return sys.Window(overlay)->frame.Pixel(x - o.left, y - o.top);
    };
    const auto move = [&](int x, int y) {
      harness.process->SetCursorPos(x, y);
      harness.app.ProcessMessages();
    };

    Key(kMagnifier, at);
    move(at.x, at.y);
    const int right = at.x + c.lens - 1, row = at.y + 10;
    for (int x = right - c.lensFrame + 1; x <= right; ++x) EXPECT_EQ(shown(x, row), kRed) << x;
    EXPECT_NE(shown(right - c.lensFrame, row), kRed) << c.lens;
    EXPECT_EQ(shown(right + 1, row), PatternAt(right + 1, row)) << c.lens;
    Key(kMagnifier, at);

    // Style 0 covers right of the edge; each frame shows one event late.
    harness.program.Settings.RevealStyle = 0;
    const gui::Color cover = harness.program.Settings.RevealColor;
    const int x0 = c.monitor.left;
    Key(kReveal, {x0 + c.revealWithin - 1, 200});
    move(x0 + c.revealWithin - 1, 201);
    move(x0 + c.revealWithin, 202);
    EXPECT_EQ(shown(x0, 202), cover) << "within the margin: all covered";
    move(x0 + c.revealWithin, 203);
    const int edge = x0 + c.revealWithin + c.revealPast;
    EXPECT_EQ(shown(edge - 1, 203), PatternAt(edge - 1, 203)) << c.revealPast;
    EXPECT_EQ(shown(edge, 203), cover) << c.revealPast;
    Key(kReveal, at);

    Key(kBreakTime, at);
    const TSettings& s = harness.program.Settings;
    const int y = c.monitor.top + 50;
    int left = 0, rightRun = 0;
    while (left < 64 && shown(c.monitor.left + left, y) == s.BreakFontColor) ++left;
    while (rightRun < 64 && shown(c.monitor.right - 1 - rightRun, y) == s.BreakFontColor)
      ++rightRun;
    EXPECT_EQ(left, c.frameLeft);
    EXPECT_EQ(rightRun, c.frameRight);
    EXPECT_EQ(shown(c.monitor.left + left, y), s.BreakBackColor);
    Key(kBreakTime, at);
  }
}

TEST_F(TwoScalesTest, ThePaletteDraggedOntoTheProjectorTakesItsScale) {
  TForm_Main& palette = harness.Main();
  palette.Minimized1Click();
  harness.app.ProcessMessages();
  ASSERT_EQ(WindowRect(palette.Handle()).Width(), 288) << "made on the laptop at 150 %";

  // By its title strip, 60 pixels at a time, until most of it is there.
  Drag(palette.Handle(), {60, 15}, 60, 15);
  const platform::Rect r = WindowRect(palette.Handle());
  EXPECT_GE(r.left, kProjector.left);
  EXPECT_EQ(r.Width(), 192);
  EXPECT_EQ(r.Height(), 262);
  EXPECT_EQ(sys.Cursor().x - r.left, 40) << "the pointer holds the title where it took it";

  // Every pixel as the palette made on a 96-DPI screen shows it.
  Machine at96(1024, 768);
  TForm_Main& plain = at96.harness.Main();
  plain.Minimized1Click();
  at96.harness.app.ProcessMessages();
  EXPECT_FRAME(sys.Window(palette.Handle())->frame, at96.sys.Window(plain.Handle())->frame);

  // Set to 150 % there too: the palette grows again where it stands.
  sys.SetMonitors({{kLaptop, {}, true, 144}, {kProjector, {}, false, 144}});
  harness.app.ProcessMessages();
  EXPECT_EQ(WindowRect(palette.Handle()).Width(), 288);
  EXPECT_EQ(WindowRect(palette.Handle()).Height(), 393);
  sys.SetMonitors({{kLaptop, {}, true, 144}, {kProjector, {}, false, 96}});
  harness.app.ProcessMessages();

  // Its close box, where it shows now, ends the program.
  harness.Click(palette.Handle(), 176, 16);
  EXPECT_TRUE(harness.app.Terminated());
}

TEST_F(TwoScalesTest, TheSettingsDialogsControlsTakeTheProjectorsSizes) {
  TForm_Seeting& dialog = *harness.program.Form_Seeting;
  dialog.Show();
  harness.app.ProcessMessages();
  ASSERT_EQ(WindowRect(dialog.Handle()).Width(), 539);
  dialog.SetBounds(1100, 50, dialog.Width(), dialog.Height());
  harness.app.ProcessMessages();
  const platform::Rect box = WindowRect(dialog.Handle());
  EXPECT_EQ(box, (platform::Rect{1100, 50, 1100 + 359, 50 + 267}));
  for (const gui::TButton* b : {&dialog.OK, &dialog.Button1, &dialog.Cancle}) {
    const platform::Rect r = WindowRect(b->Handle());
    EXPECT_EQ(r,
              (platform::Rect{box.left + b->Left(), box.top + b->Top(),
                              box.left + b->Left() + b->Width(), box.top + b->Top() + b->Height()}))
        << b->Caption();
  }
  // A click on Cancle where the dialog shows it closes it.
  harness.Click(dialog.Handle(), dialog.Cancle.Left() + 20, dialog.Cancle.Top() + 10);
  EXPECT_FALSE(sys.Window(dialog.Handle())->visible);
}

}  // namespace
