// The overlay window on a simulated machine: what each mode's show makes
// and its close releases, the picture it shows (the screen without the
// palette and the dialogs), the capture's wait and its failure, the pointer
// routing, the nudge after each show, Esc, and the break sound at close.
#include <gtest/gtest.h>

#include "dialogs/Seeting.h"
#include "effects/Dispatcher.h"
#include "tests/support/OverlayDriver.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;
using platform::Hdc;

struct Counts {
  int dcs = 0, objects = 0;
  friend bool operator==(const Counts&, const Counts&) = default;
};

// Records what the routing hands a tool.
struct RecordingTool : OverlayTool {
  std::vector<std::string>* log;
  explicit RecordingTool(std::vector<std::string>* l) : log(l) {}
  void MouseDown(gui::MouseButton b, unsigned, int x, int y) override {
    log->push_back((b == gui::MouseButton::Left ? "left " : "right ") + std::to_string(x) + "," +
                   std::to_string(y));
  }
  void MouseMove(unsigned, int x, int y) override {
    log->push_back("move " + std::to_string(x) + "," + std::to_string(y));
  }
};

class OverlayTest : public ::testing::Test {
 protected:
  OverlayTest() : h(sys) {
    h.process->SetIdleTimeBudget(60'000);
    h.Start();
    // A screen with something to see: stripes a missing row would break.
    for (int y = 0; y < sys.ScreenHeight(); ++y)
      for (int x = 0; x < sys.ScreenWidth(); ++x)
        sys.Wallpaper().SetPixel(x, y, gui::Rgb(x & 0xFF, y & 0xFF, (x / 7 + y) & 0xFF));
  }
  Program& p() { return h.program; }
  TForm_Draw& overlay() { return *h.program.Form_Draw; }
  Counts Now() { return {h.process->DcCount(), h.process->GdiObjectCount()}; }
  void Dispatch(unsigned code) {
    h.Main().DispatchEffect(code);
    h.app.ProcessMessages();
  }
  void RunFor(std::uint64_t ms) { h.RunFor(ms); }
  // The pixels a memory context's bitmap holds, read through a copy.
  gui::Bitmap PixelsOf(Hdc surface) {
    auto& s = *h.process;
    const Hdc dc = s.CreateCompatibleDC(surface);
    const platform::HGdiObj b =
        s.CreateCompatibleBitmap(surface, sys.ScreenWidth(), sys.ScreenHeight());
    s.SelectObject(dc, b);
    s.BitBlt(dc, 0, 0, sys.ScreenWidth(), sys.ScreenHeight(), surface, 0, 0, platform::kSrcCopy);
    gui::Bitmap out;
    s.GetDIBits(dc, b, out);
    s.DeleteDC(dc);
    s.DeleteObject(b);
    return out;
  }
  const gui::Bitmap& Presented() { return sys.Window(overlay().Handle())->frame; }

  SimSystem sys;
  ProgramHarness h;
};

// Each overlay mode: the show keeps the capture's context and bitmap, the
// four modes that grab the screen their work surfaces too (Spot Light its
// dimming brush as well), and borrows two window contexts while it shows.
// A second show on the same screen makes nothing more.
struct ModeObjects {
  unsigned code;
  int dcs, objects;  // kept after the close
  bool surfaces;
};

class OverlayModeTest : public OverlayTest, public ::testing::WithParamInterface<ModeObjects> {};

TEST_P(OverlayModeTest, ShowMakesItsObjectsAndCloseReleasesThem) {
  const ModeObjects m = GetParam();
  const Counts before = Now();
  const Counts kept{before.dcs + m.dcs, before.objects + m.objects};
  const Counts open{kept.dcs + (m.surfaces ? 2 : 0), kept.objects};
  const gui::Bitmap screen = sys.Screen();
  Dispatch(m.code);
  ASSERT_TRUE(sys.Window(overlay().Handle())->visible);
  EXPECT_EQ(Now(), open);
  const Hdc work1 = overlay().WorkSurface1;
  // The break screen covers the picture with its field (BreakTimeTest).
  if (m.code != 12) {
    EXPECT_EQ(ShowPicture(overlay()), screen);
  }
  // Mark, Pen and Rectangle draw nothing until the pointer does something:
  // their first frame is this show's screen. The others' is their tool's,
  // drawn at the nudge that follows the show's first paint at once.
  if (m.code == 0 || m.code == 4 || m.code == 7) {
    EXPECT_EQ(Presented(), screen) << "the first frame is this show's screen";
  }
  EXPECT_FALSE(overlay().Timer3.Enabled()) << "the nudge came with the first frame";

  Dispatch(m.code);
  EXPECT_FALSE(sys.Window(overlay().Handle())->visible);
  EXPECT_EQ(Now(), kept);
  EXPECT_FALSE(overlay().CleanImage);
  EXPECT_FALSE(overlay().WorkImage);

  Dispatch(m.code);
  EXPECT_EQ(Now(), open) << "the second show on the same screen reuses what the first made";
  EXPECT_EQ(overlay().WorkSurface1, work1);
  if (m.code != 12) {
    EXPECT_EQ(ShowPicture(overlay()), screen);
  }
  Dispatch(m.code);
  EXPECT_EQ(Now(), kept);
}

INSTANTIATE_TEST_SUITE_P(
    EveryMode, OverlayModeTest,
    ::testing::Values(ModeObjects{0, 1, 1, false}, ModeObjects{1, 1, 1, false},
                      ModeObjects{2, 1, 1, false},
                      // three memory contexts and their bitmaps
                      ModeObjects{3, 3, 3, true}, ModeObjects{4, 1, 1, false},
                      ModeObjects{5, 3, 5, true},  // and the pattern's bitmap and brush
                      ModeObjects{6, 3, 3, true}, ModeObjects{7, 1, 1, false},
                      ModeObjects{8, 3, 3, true}, ModeObjects{12, 1, 1, false}),
    [](const auto& info) { return "code" + std::to_string(info.param.code); });

TEST_F(OverlayTest, KeptSurfacesAreMadeAnewForAnotherSizeOrScaleAndGoAtAChangeAndAtTheEnd) {
  // Two monitors of one size, the second at 150 %.
  sys.SetMonitors({{{0, 0, 1024, 768}, {}, true, 96}, {{1024, 0, 2048, 768}, {}, false, 144}});
  h.app.ProcessMessages();
  const Counts before = Now();
  const auto showAt = [&](platform::Point at) {
    sys.PlaceCursor(at);
    Dispatch(5);  // Spot Light: every surface and the brush
    const Hdc grab = overlay().CaptureSurface;
    Dispatch(5);
    return grab;
  };
  const Hdc first = showAt({10, 10});
  const Counts kept = Now();
  EXPECT_NE(kept, before);
  EXPECT_EQ(showAt({20, 20}), first) << "the same monitor: the same surfaces";
  const Hdc scaled = showAt({1100, 10});
  EXPECT_NE(scaled, first) << "the same size at another scale";
  EXPECT_EQ(Now(), kept) << "the old ones went";

  sys.SetScreenSize(800, 600);
  h.app.ProcessMessages();
  EXPECT_EQ(Now(), before) << "released at the change of resolution";
  showAt({10, 10});
  EXPECT_NE(Now(), before);
  h.app.DestroyForms();
  EXPECT_EQ(h.process->GdiObjectCount(), before.objects) << "the surfaces went at the end";
}

TEST_F(OverlayTest, ZoomThenAnotherKeyThenPenReleasesTheZoomShow) {
  const Counts before = Now();
  Dispatch(3);
  h.PressKey('A');  // the overlay stays up, no longer the dispatcher's
  ASSERT_TRUE(sys.Window(overlay().Handle())->visible);
  Dispatch(4);
  EXPECT_EQ(p().OverlayMode, 5);
  const Counts kept{before.dcs + 3, before.objects + 3};
  EXPECT_EQ(Now(), kept) << "the zoom show's window contexts went with its close";
  Dispatch(4);
  EXPECT_EQ(Now(), kept);
}

TEST_F(OverlayTest, SwitchingModesReleasesWhatTheOldShowMade) {
  const Counts before = Now();
  Dispatch(5);  // Spot Light: surfaces and the dimming brush
  Dispatch(0);  // Mark: the mode is already 1 when the Spot Light show closes
  const Counts kept{before.dcs + 3, before.objects + 5};
  EXPECT_EQ(Now(), kept);
  Dispatch(8);  // Magnifier
  Dispatch(8);
  EXPECT_EQ(Now(), kept);
}

TEST_F(OverlayTest, PictureIsTheScreenWithoutThePaletteAndTheDialogs) {
  h.Main().Minimized1Click();
  p().Form_Seeting->Show();
  h.app.ProcessMessages();
  const gui::Bitmap withWindows = sys.Screen();
  ASSERT_NE(withWindows, sys.Wallpaper());

  Dispatch(8);  // Magnifier: its pinned layer starts as the grab
  EXPECT_EQ(ShowPicture(overlay()), sys.Wallpaper());
  EXPECT_EQ(PixelsOf(overlay().CaptureSurface), sys.Wallpaper()) << "the grab is the same capture";
  EXPECT_EQ(PixelsOf(overlay().WorkSurface2), sys.Wallpaper());
}

TEST_F(OverlayTest, SpotLightDimsItsFirstWorkSurfaceWithACheckerboard) {
  Dispatch(5);
  const gui::Bitmap screen = sys.Wallpaper();
  const gui::Bitmap dimmed = PixelsOf(overlay().WorkSurface1);
  // Pattern rows 55 and AA: even rows keep the odd columns, odd rows the even ones.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const bool kept = (x + y) % 2 == 1;
      EXPECT_EQ(dimmed.Pixel(x, y), kept ? screen.Pixel(x, y) : gui::kBlack) << x << "," << y;
    }
  EXPECT_EQ(dimmed.Pixel(1001, 700), screen.Pixel(1001, 700));
  EXPECT_EQ(dimmed.Pixel(1000, 700), gui::kBlack);
  EXPECT_EQ(PixelsOf(overlay().CaptureSurface), screen) << "the grab stays clean";
}

TEST_F(OverlayTest, CaptureWaitsUntilTheHiddenPaletteAndDialogHaveLeftTheScreen) {
  sys.SetHideLinger(30);
  h.Main().Minimized1Click();
  p().Form_Seeting->Show();
  h.app.ProcessMessages();
  const std::uint64_t before = sys.Now();
  Dispatch(3);
  EXPECT_EQ(ShowPicture(overlay()), sys.Wallpaper());
  EXPECT_LE(sys.Now() - before, 30u + 16u) << "no longer than they linger, to a tick";
}

TEST_F(OverlayTest, TheCollapsedPaletteAndHiddenDialogsAreNotWaitedFor) {
  // The palette collapsed, as it starts; a dialog that was shown and hidden.
  p().Form_Seeting->Show();
  h.app.ProcessMessages();
  p().Form_Seeting->Hide();
  RunFor(50);
  sys.SetHideLinger(1000);
  const std::uint64_t before = sys.Now();
  Dispatch(3);
  EXPECT_EQ(overlay().CaptureAttempts(), 1);
  EXPECT_EQ(sys.Now(), before);
  EXPECT_EQ(ShowPicture(overlay()), sys.Wallpaper());
}

TEST_F(OverlayTest, APaletteThatLingersPastTheBoundLeavesTheLastReadAsAWorkingPicture) {
  // A program under the palette that paints slowly: the palette's pixels
  // stay on the screen after it is hidden.
  h.Main().Minimized1Click();
  h.app.ProcessMessages();
  const gui::Bitmap withPalette = sys.Screen();
  ASSERT_NE(withPalette, sys.Wallpaper());
  sys.SetHideLinger(1000);
  const std::uint64_t before = sys.Now();
  Dispatch(3);  // Zoom
  EXPECT_GE(sys.Now() - before, 195u);
  EXPECT_LE(sys.Now() - before, 195u + 16u) << "waited the bound, to a tick, no longer";
  EXPECT_EQ(ShowPicture(overlay()), withPalette) << "the best picture there is";
  EXPECT_EQ(PixelsOf(overlay().CaptureSurface), withPalette);
  EXPECT_FALSE(overlay().Timer3.Enabled()) << "the tool is prepared and drew its first frame";

  // A window that is gone from the screen is no reason to wait.
  const gui::IRect rect{100, 100, 300, 200};
  gui::Bitmap gone(rect.Width(), rect.Height(), gui::kRed);
  const std::uint64_t again = sys.Now();
  EXPECT_TRUE(overlay().CaptureScreen({{rect, gone}}));
  EXPECT_EQ(sys.Now(), again);
  EXPECT_EQ(overlay().CaptureAttempts(), 1);
}

TEST_F(OverlayTest, AReadThatFailsAfterAGoodOneKeepsTheGoodPicture) {
  // The palette lingers on the screen, and the workstation is locked while
  // the capture waits for it to go.
  h.Main().Minimized1Click();
  h.app.ProcessMessages();
  const gui::Bitmap withPalette = sys.Screen();
  sys.SetHideLinger(1000);
  sys.FailScreenReads(true, sys.Now() + 1);
  Dispatch(3);  // Zoom
  EXPECT_EQ(overlay().CaptureAttempts(), 2) << "no read after the failed one";
  EXPECT_EQ(ShowPicture(overlay()), withPalette);
  EXPECT_EQ(PixelsOf(overlay().CaptureSurface), withPalette);
  EXPECT_FALSE(overlay().Timer3.Enabled()) << "the tool is prepared and drew its first frame";
}

TEST_F(OverlayTest, AScreenThatCannotBeReadShowsTheWindowAndPreparesNothing) {
  const Counts before = Now();
  sys.FailScreenReads(true);
  EXPECT_FALSE(overlay().CaptureScreen({}));
  EXPECT_FALSE(overlay().ScreenPicture());
  EXPECT_EQ(Now(), before) << "the failed capture keeps nothing";
  p().OverlayMode = 4;  // Zoom: would grab the screen
  overlay().Show();
  h.app.ProcessMessages();
  EXPECT_TRUE(sys.Window(overlay().Handle())->visible);
  EXPECT_EQ(overlay().CaptureSurface, 0u);
  EXPECT_FALSE(overlay().Timer3.Enabled()) << "the common end does not run";
  EXPECT_EQ(Now(), before);
  overlay().Close();
  EXPECT_EQ(Now(), before);
}

TEST_F(OverlayTest, AResolutionChangeClosesTheOverlayAsEscAndTheNextShowCoversTheNewScreen) {
  Dispatch(3);  // Zoom
  // A projector plugged in: a larger screen than the one the overlay covers.
  sys.SetScreenSize(1280, 960);
  h.app.ProcessMessages();
  EXPECT_FALSE(sys.Window(overlay().Handle())->visible);
  EXPECT_FALSE(p().OverlayVisible);
  EXPECT_TRUE(sys.Window(h.Main().Handle())->visible) << "the palette is back";

  for (unsigned code : {3u, 2u}) {  // Zoom, which grabs the screen, and Line, which does not
    Dispatch(code);
    const platform::Rect all{0, 0, 1280, 960};
    EXPECT_EQ(sys.Window(overlay().Handle())->rect, all) << code;
    EXPECT_EQ(overlay().Image_Draw.BoundsRect(), (gui::IRect{0, 0, 1280, 960})) << code;
    EXPECT_EQ(ShowPicture(overlay()), sys.Wallpaper()) << code;
    EXPECT_EQ(overlay().ScreenWidth, 1280) << code;
    EXPECT_EQ(overlay().ScreenHeight, 960) << code;
    EXPECT_EQ(overlay().DesktopRect, all) << code;
    // A click beside where the old screen ended reaches the overlay.
    EXPECT_EQ(h.process->WindowFromPoint({1270, 950}), overlay().Handle()) << code;
    Dispatch(code);
  }

  // Smaller again while the overlay is hidden: nothing to close, and the
  // next show fits the screen.
  sys.SetScreenSize(800, 600);
  h.app.ProcessMessages();
  EXPECT_FALSE(sys.Window(overlay().Handle())->visible);
  Dispatch(3);
  EXPECT_EQ(sys.Window(overlay().Handle())->rect, (platform::Rect{0, 0, 800, 600}));
  EXPECT_EQ(PixelsOf(overlay().CaptureSurface), sys.Wallpaper());
}

TEST_F(OverlayTest, ModeWithoutARowRunsOnlyTheCommonStartAndEnd) {
  for (int mode : {0, 11, 14, 20}) {
    overlay().Image_Draw.ClearPicture();
    p().OverlayMode = mode;
    h.Main().ShowOverlay();
    h.app.ProcessMessages();
    EXPECT_FALSE(overlay().Image_Draw.HasPicture()) << mode;
    EXPECT_TRUE(overlay().CleanImage) << mode;
    EXPECT_FALSE(overlay().Timer3.Enabled()) << mode << ": the nudge came with the first paint";
    p().OverlayVisible = false;
    overlay().Close();
  }
}

TEST_F(OverlayTest, EveryShowNudgesThePointerOnceAsItsFirstFrameIsPainted) {
  std::vector<std::string> log;
  overlay().SetTool(4, std::make_unique<RecordingTool>(&log));
  sys.PlaceCursor({200, 150});
  h.Main().DispatchEffect(3);
  EXPECT_TRUE(log.empty()) << "nothing before the show's picture is on the screen";
  h.app.ProcessMessages();
  EXPECT_EQ(log, std::vector<std::string>{"move 200,150"});
  RunFor(200);
  EXPECT_EQ(log, std::vector<std::string>{"move 200,150"});
  EXPECT_FALSE(overlay().Timer3.Enabled());
}

TEST_F(OverlayTest, PointerEventsGoToTheToolOfTheCurrentMode) {
  std::vector<std::string> zoom, pen;
  overlay().SetTool(4, std::make_unique<RecordingTool>(&zoom));
  overlay().SetTool(5, std::make_unique<RecordingTool>(&pen));
  Dispatch(3);
  RunFor(100);
  zoom.clear();
  h.Click(overlay().Handle(), 30, 40);
  h.Click(overlay().Handle(), 31, 41, true);
  EXPECT_EQ(zoom,
            (std::vector<std::string>{"move 30,40", "left 30,40", "move 31,41", "right 31,41"}));
  EXPECT_TRUE(pen.empty());

  overlay().PenDown = true;
  overlay().Image_DrawMouseDown(gui::MouseButton::Middle, 0, 7, 8);
  EXPECT_EQ(overlay().LastX, 7);
  EXPECT_EQ(overlay().LastY, 8);
  EXPECT_EQ(zoom.size(), 4u) << "a middle press only stores the point";
  overlay().Image_DrawMouseUp(gui::MouseButton::Right, 0, 7, 8);
  EXPECT_FALSE(overlay().PenDown);

  // Break Time has no pointer tool.
  p().OverlayMode = 13;
  overlay().Image_DrawMouseDown(gui::MouseButton::Left, 0, 1, 2);
  overlay().Image_DrawMouseMove(0, 1, 2);
  EXPECT_EQ(zoom.size(), 4u);
  EXPECT_EQ(overlay().LastX, 1);
}

TEST_F(OverlayTest, EscClosesEveryModeAndThePaletteReturnsAtOnceOnAClearScreen) {
  // The moment the palette is shown, and what the screen shows then.
  std::uint64_t shownAt = 0;
  bool overlayShownThen = true;
  gui::Bitmap screenThen;
  const gui::NotifyEvent show = h.Main().OnShow;
  h.Main().OnShow = [&] {
    shownAt = sys.Now();
    overlayShownThen = sys.Window(overlay().Handle())->visible;
    screenThen = sys.Screen();
    show();
  };
  for (unsigned code : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 12u}) {
    Dispatch(code);
    const std::uint64_t before = sys.Now();
    h.PressKey(gui::kVkEscape);
    EXPECT_FALSE(sys.Window(overlay().Handle())->visible) << code;
    EXPECT_TRUE(sys.Window(h.Main().Handle())->visible) << code;
    EXPECT_EQ(shownAt - before, 0u) << code << ": at once, with no pauses";
    EXPECT_FALSE(overlayShownThen) << code << ": the overlay is off the screen by then";
    EXPECT_EQ(screenThen, sys.Wallpaper()) << code;
  }
}

TEST_F(OverlayTest, MarkChoiceOutsideTheThreeMarksKeepsTheArrow) {
  p().Settings.MarkChoice = 1;
  Dispatch(0);
  EXPECT_EQ(overlay().Image_Draw.cursor, gui::kCrCross);
  Dispatch(0);
  for (int choice : {3, -1, 1000}) {
    p().Settings.MarkChoice = choice;
    Dispatch(0);
    EXPECT_TRUE(overlay().Image_Draw.HasPicture()) << choice;
    EXPECT_EQ(overlay().Image_Draw.cursor, gui::kCrDefault) << choice;
    EXPECT_EQ(overlay().cursor, gui::kCrDefault) << choice;
    Dispatch(0);
  }
}

TEST_F(OverlayTest, RectangleShowStartsWithNoBoxAndItsPen) {
  overlay().RectanglePhase = 1;
  overlay().RectangleDragging = true;
  overlay().RectanglePenWidth = 3;
  overlay().Shape1.SetBounds(10, 10, 40, 40);
  p().Settings.RectangleColor = gui::kBlue;
  Dispatch(7);
  EXPECT_EQ(overlay().RectanglePhase, 0);
  EXPECT_FALSE(overlay().RectangleDragging);
  EXPECT_EQ(overlay().Shape1.Width(), 0);
  EXPECT_EQ(overlay().Shape1.Height(), 0);
  EXPECT_EQ(overlay().Shape1.penWidth, 3);
  EXPECT_EQ(overlay().Shape1.penColor, gui::kBlue);
}

TEST_F(OverlayTest, PenShowSetsTheCanvasPen) {
  p().Settings.PenSize = 3;
  p().Settings.PenColor = gui::kGreen;
  Dispatch(4);
  EXPECT_EQ(overlay().canvasPen.width, 15);
  EXPECT_EQ(overlay().canvasPen.mode, PenMode::Mask);
  EXPECT_EQ(overlay().canvasPen.color, gui::kGreen);
}

TEST_F(OverlayTest, ClosingStopsTheBreakSoundOnly) {
  sys.AddSoundFile("bell.mid", 60'000);
  gui::TMediaPlayer& player = h.Main().MediaPlayer1;
  Dispatch(12);
  player.FileName = "bell.mid";
  player.Open();
  player.Play();
  Dispatch(12);  // not the break's sound: it plays on
  EXPECT_EQ(player.Mode(), gui::TMPModes::mpPlaying);

  Dispatch(12);
  p().BreakSoundStarted = true;
  h.PressKey(gui::kVkEscape);
  EXPECT_FALSE(player.IsOpen());
  EXPECT_FALSE(p().BreakSoundStarted);
}

}  // namespace
