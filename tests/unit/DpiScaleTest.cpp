// The program on a screen at 100, 150 and 200 %: the overlay and its tools
// in the monitor's own pixels with their sizes scaled to look the same, the
// forms laid out at 96 DPI in windows the system stretches. At 96 DPI the
// tools' own tests hold every pixel to the design.
#include <gtest/gtest.h>

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
};

class DpiScaleTest : public ::testing::TestWithParam<Scaled> {};

TEST_P(DpiScaleTest, ToolSizesScaleWithTheMonitorsDpi) {
  const Scaled& s = GetParam();
  Machine m(64, 48);
  m.sys.SetDpi(s.dpi);

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

TEST_P(DpiScaleTest, BreakDigitsTakeTheScaledFacesAndPlacesAroundTheCentre) {
  const Scaled& s = GetParam();
  Machine m(320, 240);
  m.sys.SetDpi(s.dpi);
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

TEST_P(DpiScaleTest, TheOverlayIsDrawnForTheMonitorAndTheFormsAt96ForTheSystemToStretch) {
  const Scaled& s = GetParam();
  Machine m(64, 48);
  m.sys.SetDpi(s.dpi);
  m.Key(kSpotLight);
  platform::Platform& sys = *m.harness.process;
  const Program& p = m.program();
  EXPECT_EQ(sys.GetDpiForWindow(m.overlay().Handle()), s.dpi);
  EXPECT_EQ(m.overlay().Width(), 64) << "the whole screen";
  EXPECT_EQ(m.overlay().Height(), 48);
  for (const gui::Form* form : std::initializer_list<const gui::Form*>{
           p.Form_Main, p.FormEffectTable, p.Form_Seeting, p.FormAbout})
    EXPECT_EQ(sys.GetDpiForWindow(form->Handle()), 96u) << form->ClassName();
  // A control of the system's on a dialog is drawn as its dialog is.
  EXPECT_EQ(sys.GetDpiForWindow(p.Form_Seeting->Cancle.Handle()), 96u);
}

INSTANTIATE_TEST_SUITE_P(
    Scales, DpiScaleTest,
    ::testing::Values(Scaled{96, 20, 10, 5, 32, 64, 48, -85, -25, 30, -15, -20},
                      Scaled{144, 30, 15, 7, 48, 96, 72, -128, -38, 45, -23, -30},
                      Scaled{192, 40, 20, 9, 64, 128, 96, -170, -50, 60, -30, -40}),
    [](const auto& info) { return "dpi" + std::to_string(info.param.dpi); });

}  // namespace
