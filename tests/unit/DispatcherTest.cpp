// The effect dispatcher on a simulated machine, through the main window's
// DispatchEffect as the decoder calls it: the overlay's state machine, the
// scroll toggles and the main window, Execute Name, the sound effect and its
// boxes, the pointer reset, and codes beyond the catalogue.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "dialogs/About.h"
#include "dialogs/Effecttable.h"
#include "dialogs/Seeting.h"
#include "effects/Dispatcher.h"
#include "tests/support/OverlayDriver.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;

constexpr unsigned kPen = 4, kLine = 2, kZoom = 3;

class DispatcherTest : public ::testing::Test {
 protected:
  DispatcherTest() : h(sys) {
    h.process->SetIdleTimeBudget(60'000);
    h.Start();
  }
  Program& p() { return h.program; }
  TForm_Draw& overlay() { return *h.program.Form_Draw; }
  bool OnScreen(const gui::Form& f) { return sys.Window(f.Handle())->visible; }
  void Dispatch(unsigned code) {
    h.Main().DispatchEffect(code);
    h.app.ProcessMessages();
  }
  void ExpandPalette() {
    h.Main().Minimized1Click();
    h.app.ProcessMessages();
  }

  SimSystem sys;
  ProgramHarness h;
};

TEST_F(DispatcherTest, SameOverlayKeyTwiceOpensThenClosesAndKeepsTheMode) {
  Dispatch(kPen);
  EXPECT_TRUE(OnScreen(overlay()));
  EXPECT_FALSE(OnScreen(h.Main()));
  EXPECT_TRUE(overlay().StayOnTop());
  EXPECT_TRUE(p().OverlayVisible);
  EXPECT_EQ(p().OverlayMode, 5);
  EXPECT_EQ(p().ActiveEffect, 5);

  const std::uint64_t before = sys.Now();
  Dispatch(kPen);
  EXPECT_FALSE(OnScreen(overlay()));
  EXPECT_FALSE(p().OverlayVisible);
  EXPECT_EQ(p().OverlayMode, 5);
  // The palette comes back at once; the overlay is an ordinary window again.
  EXPECT_TRUE(OnScreen(h.Main()));
  EXPECT_EQ(sys.Now() - before, 0u);
  EXPECT_FALSE(overlay().StayOnTop());
}

TEST_F(DispatcherTest, AnotherOverlayKeyReopensInItsModeOnAFreshCapture) {
  Dispatch(kPen);
  const gui::Bitmap first = overlay().Image_Draw.Picture();
  sys.Wallpaper().Fill(gui::kYellow);  // the screen changes while the pen shows

  Dispatch(kLine);
  EXPECT_TRUE(OnScreen(overlay()));
  EXPECT_TRUE(p().OverlayVisible);
  EXPECT_EQ(p().OverlayMode, 3);
  EXPECT_EQ(p().ActiveEffect, 3);
  EXPECT_NE(overlay().Image_Draw.Picture(), first);
  EXPECT_EQ(overlay().Image_Draw.Picture().Pixel(5, 5), gui::kYellow);
  EXPECT_FALSE(OnScreen(h.Main())) << "hidden again for the new capture";
}

TEST_F(DispatcherTest, AKeyOtherThanEscLeavesTheOverlayAndTheSameKeyShowsItAgain) {
  Dispatch(kZoom);
  h.PressKey('A');
  EXPECT_TRUE(OnScreen(overlay()));
  EXPECT_FALSE(p().OverlayVisible);

  sys.Wallpaper().Fill(gui::kWhite);
  Dispatch(kZoom);
  // Shown again, not closed, and from a new picture.
  EXPECT_TRUE(OnScreen(overlay()));
  EXPECT_TRUE(p().OverlayVisible);
  EXPECT_EQ(ShowPicture(overlay()).Pixel(5, 5), gui::kWhite);
}

TEST_F(DispatcherTest, EscClosesTheOverlayAndClearsItsFlag) {
  Dispatch(kZoom);
  h.PressKey(gui::kVkEscape);
  EXPECT_FALSE(OnScreen(overlay()));
  EXPECT_FALSE(p().OverlayVisible);
  EXPECT_TRUE(OnScreen(h.Main()));
  Dispatch(kZoom);
  EXPECT_TRUE(OnScreen(overlay())) << "the key opens it again";
}

TEST_F(DispatcherTest, ScrollTogglesHideAndShowTheExpandedPalette) {
  ExpandPalette();
  Dispatch(effect::kHorizontalScroll);
  EXPECT_TRUE(p().HorizontalScrollOn);
  EXPECT_EQ(p().ActiveEffect, 10);
  EXPECT_FALSE(OnScreen(h.Main()));

  Dispatch(effect::kVerticalScroll);
  EXPECT_TRUE(p().VerticalScrollOn);
  EXPECT_FALSE(p().HorizontalScrollOn);
  EXPECT_EQ(p().ActiveEffect, 11);
  EXPECT_FALSE(OnScreen(h.Main())) << "switching modes keeps it hidden";

  Dispatch(effect::kVerticalScroll);
  EXPECT_FALSE(p().VerticalScrollOn);
  EXPECT_TRUE(OnScreen(h.Main())) << "leaving through its own toggle shows it";
}

TEST_F(DispatcherTest, ScrollTogglesLeaveACollapsedPaletteAlone) {
  ASSERT_TRUE(p().PaletteCollapsed);
  h.Main().Hide();
  Dispatch(effect::kHorizontalScroll);
  Dispatch(effect::kHorizontalScroll);
  EXPECT_FALSE(p().HorizontalScrollOn);
  EXPECT_FALSE(OnScreen(h.Main()));
}

TEST_F(DispatcherTest, OtherEffectsEndTheScrollModesWithoutShowingThePalette) {
  ExpandPalette();
  for (unsigned code : {kPen, effect::kExecuteProgram, effect::kPlaySound, effect::kCursorReset}) {
    Dispatch(effect::kHorizontalScroll);
    ASSERT_TRUE(p().HorizontalScrollOn);
    Dispatch(code);
    EXPECT_FALSE(p().HorizontalScrollOn) << code;
    EXPECT_FALSE(p().VerticalScrollOn) << code;
    if (p().OverlayVisible) Dispatch(code);  // the pen closes again
    h.Main().Hide();
  }
}

TEST_F(DispatcherTest, ScrollKeyClosesAnOpenOverlay) {
  Dispatch(kZoom);
  Dispatch(effect::kVerticalScroll);
  EXPECT_FALSE(OnScreen(overlay()));
  EXPECT_FALSE(p().OverlayVisible);
  EXPECT_TRUE(p().VerticalScrollOn);
}

TEST_F(DispatcherTest, ExecuteNameOpensTheConfiguredNameAndPauses) {
  p().Settings.ExecuteName = "notes.txt";
  Dispatch(kZoom);
  const std::uint64_t pauseEnd = sys.SleepEnd(30);
  Dispatch(effect::kExecuteProgram);
  EXPECT_FALSE(OnScreen(overlay()));
  EXPECT_EQ(p().ActiveEffect, 12);
  EXPECT_EQ(p().OverlayMode, 12);
  ASSERT_EQ(sys.ShellExecutes().size(), 1u);
  const auto& call = sys.ShellExecutes()[0];
  EXPECT_EQ(call.owner, h.app.Handle());
  EXPECT_EQ(call.verb, "open");
  EXPECT_EQ(call.file, "notes.txt");
  EXPECT_EQ(call.parameters, "");
  EXPECT_EQ(call.directory, "");
  EXPECT_EQ(call.showCmd, platform::kSwShowNormal);
  EXPECT_EQ(sys.Now(), pauseEnd) << "the overlay's close, then the pause";
}

TEST_F(DispatcherTest, AnEmptyExecuteNameStillGoesToTheShell) {
  p().Settings.ExecuteName = "";
  Dispatch(effect::kExecuteProgram);
  ASSERT_EQ(sys.ShellExecutes().size(), 1u);
  EXPECT_EQ(sys.ShellExecutes()[0].file, "");
}

TEST_F(DispatcherTest, CursorResetCentresThePointerAndClosesTheOverlay) {
  sys.PlaceCursor({3, 700});
  Dispatch(kZoom);
  Dispatch(effect::kCursorReset);
  EXPECT_EQ(sys.Cursor(), (platform::Point{512, 384}));
  EXPECT_FALSE(OnScreen(overlay()));
  EXPECT_EQ(p().ActiveEffect, 15);
}

TEST_F(DispatcherTest, CursorResetWithoutOverlayKeepsTheActiveEffect) {
  Dispatch(effect::kHorizontalScroll);
  Dispatch(effect::kCursorReset);
  EXPECT_EQ(p().ActiveEffect, 10);
  EXPECT_EQ(sys.Cursor(), (platform::Point{512, 384}));
}

TEST_F(DispatcherTest, CursorResetRoundsOddHalvesDown) {
  SimSystem odd(1023, 767);
  ProgramHarness other(odd);
  other.Start();
  other.Main().DispatchEffect(effect::kCursorReset);
  EXPECT_EQ(odd.Cursor(), (platform::Point{511, 383}));
}

TEST_F(DispatcherTest, CodesBeyondTheCatalogueOnlyHideTheDialogs) {
  p().Form_Seeting->Show();
  p().FormAbout->Show();
  p().FormEffectTable->Show();
  Dispatch(kZoom);
  h.PressKey('A');  // the overlay stays, no longer the dispatcher's
  const int mode = p().OverlayMode, active = p().ActiveEffect;
  p().HorizontalScrollOn = true;
  for (unsigned code : {15u, 20u, 0xFFFFFFFFu}) {
    p().Form_Seeting->Show();
    Dispatch(code);
    EXPECT_FALSE(OnScreen(*p().Form_Seeting)) << code;
  }
  EXPECT_FALSE(OnScreen(*p().FormAbout));
  EXPECT_FALSE(OnScreen(*p().FormEffectTable));
  EXPECT_TRUE(OnScreen(overlay()));
  EXPECT_EQ(p().OverlayMode, mode);
  EXPECT_EQ(p().ActiveEffect, active);
  EXPECT_TRUE(p().HorizontalScrollOn);
}

TEST_F(DispatcherTest, TheShowTraceWritesOneLinePerShowInTheStepsOrderOnlyWhenSwitchedOn) {
  const std::string path = ::testing::TempDir() + "tavrin-show-trace.log";
  std::remove(path.c_str());
  Dispatch(kZoom);
  Dispatch(kZoom);
  EXPECT_FALSE(std::ifstream(path).is_open());

  p().Trace.WriteTo(path);
  Dispatch(kZoom);
  Dispatch(kZoom);  // the close ends a show the pointer never moved in, and starts none
  std::stringstream lines;
  lines << std::ifstream(path).rdbuf();
  std::remove(path.c_str());
  const std::string text = lines.str();
  ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
  EXPECT_EQ(text.rfind("mode=4 hide=", 0), 0u) << text;
  const std::size_t capture = text.find(" capture="), surfaces = text.find(" work-surfaces="),
                    shown = text.find(" window-shown="), total = text.find(" total=");
  EXPECT_TRUE(capture < surfaces && surfaces < shown && shown < total && total != std::string::npos)
      << text;
}

// ---- the sound effect ----------------------------------------------------------------

class PlaySoundEffectTest : public DispatcherTest {
 protected:
  const std::vector<gui::MessageBoxCall>& Boxes() { return h.ui.MessageBoxes(); }
};

TEST_F(PlaySoundEffectTest, PressedTwicePlaysFromTheStartThenStopsAndClosesAtOnce) {
  sys.AddSoundFile("canyon.mid", 60'000);
  p().Settings.SoundName = "canyon.mid";
  gui::TMediaPlayer& player = h.Main().MediaPlayer1;
  Dispatch(effect::kPlaySound);
  EXPECT_EQ(sys.PlayedSounds(), std::vector<std::string>{"canyon.mid"});
  EXPECT_EQ(player.Mode(), gui::TMPModes::mpPlaying);
  sys.Advance(300);
  EXPECT_EQ(sys.AudibleSounds(), std::vector<std::string>{"canyon.mid"});

  Dispatch(effect::kPlaySound);
  EXPECT_TRUE(sys.AudibleSounds().empty()) << "silent at once";
  EXPECT_FALSE(player.IsOpen());
  EXPECT_TRUE(sys.SoundDevices().empty());
  EXPECT_TRUE(Boxes().empty());

  Dispatch(effect::kPlaySound);  // and once more: from the start again
  EXPECT_EQ(sys.PlayedSounds().size(), 2u);
  ASSERT_EQ(sys.SoundDevices().size(), 1u);
  EXPECT_EQ(sys.SoundDevices().begin()->second.positionMs, 0u);
}

TEST_F(PlaySoundEffectTest, AfterTheSoundEndedByItselfAPressPlaysItAgainEvenIfTheOldWillNotClose) {
  sys.AddSoundFile("canyon.mid", 1000);
  p().Settings.SoundName = "canyon.mid";
  Dispatch(effect::kPlaySound);
  sys.FinishSounds();
  ASSERT_EQ(h.Main().MediaPlayer1.Mode(), gui::TMPModes::mpStopped);
  sys.FailMciCommand(platform::mci::kClose, platform::mci::kErrCannotLoadDriver);
  Dispatch(effect::kPlaySound);
  EXPECT_TRUE(Boxes().empty()) << "the old device's close error is not the press's";
  EXPECT_EQ(sys.AudibleSounds(), std::vector<std::string>{"canyon.mid"});
  EXPECT_EQ(sys.PlayedSounds().size(), 2u);
  Dispatch(effect::kPlaySound);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(PlaySoundEffectTest, LeavesTheOverlayAndItsEffectAlone) {
  sys.AddSoundFile("canyon.mid", 60'000);
  p().Settings.SoundName = "canyon.mid";
  Dispatch(kZoom);
  Dispatch(effect::kPlaySound);
  EXPECT_TRUE(OnScreen(overlay()));
  EXPECT_TRUE(p().OverlayVisible);
  EXPECT_EQ(p().ActiveEffect, 4);
  EXPECT_EQ(p().OverlayMode, 4);
}

TEST_F(PlaySoundEffectTest, EmptySoundNameShowsNothingAndPauses) {
  p().Settings.SoundName = "";
  const std::uint64_t pauseEnd = sys.SleepEnd(200);
  Dispatch(effect::kPlaySound);
  EXPECT_EQ(sys.Now(), pauseEnd);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(sys.PlayedSounds().empty());
}

TEST_F(PlaySoundEffectTest, MissingFileShowsTheErrorWithTheSystemsCaption) {
  p().Settings.SoundName = "gone.mid";
  Dispatch(effect::kPlaySound);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text,
            "Error 275: Cannot find the specified file. Make sure the path and filename are "
            "correct.");
  EXPECT_EQ(Boxes()[0].caption, "") << "no caption of its own";
  EXPECT_EQ(Boxes()[0].flags, gui::kMbOk);
  EXPECT_TRUE(sys.PlayedSounds().empty());
}

TEST_F(PlaySoundEffectTest, OverAnOverlayTheErrorBoxIsOnTopAndAClickOnItsOkClosesIt) {
  p().Settings.SoundName = "gone.mid";
  Dispatch(kZoom);
  const auto click = h.ClickNextBoxOk();
  Dispatch(effect::kPlaySound);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(click->atOk, Boxes()[0].okButton) << "the OK button is on top where it shows";
  EXPECT_EQ(click->boxes, 1) << "the click closed the box";
  EXPECT_TRUE(OnScreen(overlay()));
}

}  // namespace
