// The break screen on a simulated machine, on the manual clock: the framed
// field, the three labels (text, place, size, colour, the seconds label's
// fixed right edge), the countdown's arithmetic and its end, the break
// sound with its error box, and the stored lengths the settings dialog
// would never give. The simulated face has a fixed box per character: half
// the character height wide, the character height plus an eighth high.
#include <gtest/gtest.h>

#include <climits>

#include "effects/Dispatcher.h"
#include "gui/MediaPlayer.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;

constexpr int kW = 320, kH = 240;
constexpr int kCx = kW / 2, kCy = kH / 2;
constexpr gui::Color kFont = gui::Rgb(0x80, 0xFF, 0x80);
constexpr gui::Color kBack = gui::Rgb(0x80, 0x00, 0x00);
constexpr unsigned kBreakTime = 12;

// The simulated face's boxes: 64 pixels high characters are 32 wide in a
// 72 high cell, 48 pixels high ones 24 wide in a 54 high cell.
constexpr int kDigit64 = 32, kCell64 = 72, kChar48 = 24, kCell48 = 54;

class BreakTimeTest : public ::testing::Test {
 protected:
  BreakTimeTest() : sys(kW, kH), h(sys) {
    h.process->SetIdleTimeBudget(0);
    h.Start();
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) sys.Wallpaper().SetPixel(x, y, gui::Rgb(x, y, 0x33));
    p().Settings.BreakFontColor = kFont;
    p().Settings.BreakBackColor = kBack;
    p().Settings.BreakSound = "bell.mid";
    sys.AddSoundFile("bell.mid", 30'000);
  }
  Program& p() { return h.program; }
  TForm_Draw& overlay() { return *h.program.Form_Draw; }
  gui::TMediaPlayer& player() { return h.Main().MediaPlayer1; }

  // Opens the break screen; returns the clock at the show.
  std::uint64_t Show(std::int32_t minutes) {
    p().Settings.BreakMinutes = minutes;
    h.Main().DispatchEffect(kBreakTime);
    const std::uint64_t shown = sys.Now();
    h.app.ProcessMessages();
    return shown;
  }
  // Runs the loop until the clock reads t.
  void RunUntil(std::uint64_t t) {
    while (sys.Now() < t) {
      h.app.ProcessMessages();
      sys.Advance(std::min<std::uint64_t>(10, t - sys.Now()));
    }
    h.app.ProcessMessages();
  }
  std::string Reads() {
    return overlay().LabelMinute.Caption() + " " + overlay().Labelinteral.Caption() + " " +
           overlay().LabelSecond.Caption();
  }
  bool Playing() { return player().IsOpen() && player().Mode() == gui::TMPModes::mpPlaying; }
  const gui::Bitmap& Presented() { return sys.Window(overlay().Handle())->frame; }

  SimSystem sys;
  ProgramHarness h;
};

TEST_F(BreakTimeTest,
       TheFieldIsBackColourFramedByHalfTheEightPixelPenOnTheLeftAndTopOneMoreOnTheRightAndBottom) {
  Show(10);
  const gui::Bitmap& field = overlay().Image_Draw.Picture();
  ASSERT_EQ(field.Width(), kW);
  ASSERT_EQ(field.Height(), kH);
  EXPECT_EQ(overlay().Image_Draw.BoundsRect(), (gui::IRect{0, 0, kW, kH}));
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const bool frame = x < 4 || y < 4 || x >= kW - 5 || y >= kH - 5;
      ASSERT_EQ(field.Pixel(x, y), frame ? kFont : kBack) << x << "," << y;
    }
}

TEST_F(BreakTimeTest, TenMinutesReadNineFiftyNineInTheirPlacesSizesAndColours) {
  Show(10);
  EXPECT_EQ(Reads(), "9 : 59");
  const TForm_Draw& o = overlay();
  EXPECT_EQ(o.LabelMinute.BoundsRect(),
            (gui::IRect{kCx - 85, kCy - 25, kCx - 85 + kDigit64, kCy - 25 + kCell64}));
  EXPECT_EQ(o.Labelinteral.BoundsRect(),
            (gui::IRect{kCx - 15, kCy - 20, kCx - 15 + kChar48, kCy - 20 + kCell48}));
  EXPECT_EQ(o.LabelSecond.BoundsRect(),
            (gui::IRect{kCx + 30, kCy - 25, kCx + 30 + 2 * kDigit64, kCy - 25 + kCell64}));
  for (const OverlayLabel* l : {&o.LabelMinute, &o.Labelinteral, &o.LabelSecond}) {
    EXPECT_TRUE(l->Visible()) << l->Name();
    EXPECT_EQ(l->FontColor(), kFont) << l->Name();
    EXPECT_EQ(l->Font().face, "Times New Roman");
  }
  EXPECT_EQ(o.LabelMinute.Font().charHeight, 64);
  EXPECT_EQ(o.LabelSecond.Font().charHeight, 64);
  EXPECT_EQ(o.Labelinteral.Font().charHeight, 48);
  EXPECT_EQ(o.Image_Draw.cursor, gui::kCrNone);
  EXPECT_EQ(o.LabelMinute.cursor, gui::kCrNone);
  EXPECT_EQ(o.LabelSecond.cursor, gui::kCrNone);
  EXPECT_TRUE(o.Timer1.Enabled());
  EXPECT_EQ(o.Timer1.Interval(), 1000u);
}

TEST_F(BreakTimeTest, TheScreenShowsTheDigitsInTheFontColourOnTheFieldAndNothingOfTheDesktop) {
  Show(10);
  RunUntil(sys.Now() + 20);
  const gui::Bitmap& f = Presented();
  // "9": its top row is .###. ; a dot is 32 / 6 = 5 pixels wide and 64 / 7
  // = 9 high, below the 8-pixel leading.
  const int minuteTop = kCy - 25 + 8;
  EXPECT_EQ(f.Pixel(kCx - 85 + 2, minuteTop + 4), kBack);  // first dot of the row is clear
  EXPECT_EQ(f.Pixel(kCx - 85 + 7, minuteTop + 4), kFont);
  EXPECT_EQ(f.Pixel(kCx - 85 + 7, minuteTop - 1), kBack);  // the leading is clear
  // "5" of "59": its top row is all dots.
  for (int x = kCx + 30; x < kCx + 30 + 25; ++x) EXPECT_EQ(f.Pixel(x, minuteTop), kFont) << x;
  EXPECT_EQ(f.Pixel(kCx + 30 + 27, minuteTop), kBack);  // the space after the glyph
  // ":": two dots in rows 1-2 and 4-5, columns 1-2 (24 / 6 = 4 wide, 48 / 7
  // high, below a leading of 6).
  const int colonTop = kCy - 20 + 6;
  EXPECT_EQ(f.Pixel(kCx - 15 + 5, colonTop + 48 / 7 + 1), kFont);
  EXPECT_EQ(f.Pixel(kCx - 15 + 5, colonTop + 1), kBack);
  EXPECT_EQ(f.Pixel(kCx - 15 + 5, colonTop + 3 * 48 / 7 + 1), kBack);
  EXPECT_EQ(f.Pixel(kCx - 15 + 5, colonTop + 4 * 48 / 7 + 1), kFont);
  // Everything is either of the two colours.
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const gui::Color c = f.Pixel(x, y);
      ASSERT_TRUE(c == kFont || c == kBack) << x << "," << y;
    }
}

TEST_F(BreakTimeTest, TheFirstTickKeepsFiftyNineThenEachTickCountsDownAndTheMinuteTurnsOver) {
  const std::uint64_t t0 = Show(10);
  RunUntil(t0 + 1000);
  EXPECT_EQ(Reads(), "9 : 59");
  RunUntil(t0 + 2000);
  EXPECT_EQ(Reads(), "9 : 58");
  RunUntil(t0 + 60'000);
  EXPECT_EQ(Reads(), "9 : 0");
  RunUntil(t0 + 61'000);
  EXPECT_EQ(Reads(), "8 : 59");
  RunUntil(t0 + 600'000);
  EXPECT_EQ(Reads(), "0 : 0");
  EXPECT_FALSE(p().BreakSoundStarted);
  EXPECT_FALSE(Playing());
}

TEST_F(BreakTimeTest, TheSecondsLabelKeepsItsRightEdgeAsItsTextNarrows) {
  const std::uint64_t t0 = Show(10);
  const int right = kCx + 30 + 2 * kDigit64;
  RunUntil(t0 + 51'000);
  EXPECT_EQ(overlay().LabelSecond.Caption(), "9");
  EXPECT_EQ(overlay().LabelSecond.BoundsRect(),
            (gui::IRect{right - kDigit64, kCy - 25, right, kCy - 25 + kCell64}));
  RunUntil(t0 + 61'000);
  EXPECT_EQ(overlay().LabelSecond.Caption(), "59");
  EXPECT_EQ(overlay().LabelSecond.Left(), kCx + 30);
  // The minutes label is left-aligned: "10" grows to the right.
  Show(10);  // closes
  Show(12);
  EXPECT_EQ(overlay().LabelMinute.Caption(), "11");
  EXPECT_EQ(overlay().LabelMinute.BoundsRect(),
            (gui::IRect{kCx - 85, kCy - 25, kCx - 85 + 2 * kDigit64, kCy - 25 + kCell64}));
}

TEST_F(BreakTimeTest, AShowAfterABreakClosedAtOneDigitPlacesFiftyNineInItsOwnPlace) {
  const std::uint64_t t0 = Show(1);
  RunUntil(t0 + 61'000);
  EXPECT_EQ(overlay().LabelSecond.Caption(), "0");
  h.PressKey(gui::kVkEscape);
  Show(1);
  // Not widened leftwards from where the last show's "0" stood, onto the ":".
  EXPECT_EQ(overlay().LabelSecond.BoundsRect(),
            (gui::IRect{kCx + 30, kCy - 25, kCx + 30 + 2 * kDigit64, kCy - 25 + kCell64}));
}

TEST_F(BreakTimeTest, ReopenedWhileTheSoundsErrorBoxIsUpTheNewBreakReadsItsOwnCount) {
  p().Settings.BreakSound = "nowhere.mid";
  // The presenter presses the break's key twice while the box is up: the
  // first closes the break, the second opens a new one.
  h.ui.answerBox = [&](const gui::MessageBoxCall&) {
    h.Main().DispatchEffect(kBreakTime);
    h.Main().DispatchEffect(kBreakTime);
    return gui::kIdOk;
  };
  const std::uint64_t t0 = Show(1);
  RunUntil(t0 + 61'000);
  ASSERT_EQ(h.ui.MessageBoxes().size(), 1u);
  h.ui.answerBox = nullptr;
  EXPECT_EQ(Reads(), "0 : 59");
  const std::uint64_t t1 = sys.Now();
  RunUntil(t1 + 1000);
  EXPECT_EQ(Reads(), "0 : 59");
  RunUntil(t1 + 2000);
  EXPECT_EQ(Reads(), "0 : 58");
}

TEST_F(BreakTimeTest, ASoundPlayedAfterTheBreakSoundEndedIsNotCutWhenAnOverlayCloses) {
  sys.AddSoundFile("bell.mid", 2000);
  sys.AddSoundFile("music.mid", 600'000);
  p().Settings.SoundName = "music.mid";
  const std::uint64_t t0 = Show(1);
  RunUntil(t0 + 61'000 + 2000);
  ASSERT_EQ(player().Mode(), gui::TMPModes::mpStopped) << "the bell has ended by itself";
  h.Main().DispatchEffect(effect::kPlaySound);
  ASSERT_TRUE(Playing());
  h.PressKey(gui::kVkEscape);  // the break screen closes
  h.Main().DispatchEffect(3);  // a Zoom show opens and closes
  h.Main().DispatchEffect(3);
  EXPECT_TRUE(Playing());
  EXPECT_EQ(sys.AudibleSounds(), std::vector<std::string>{"music.mid"});
}

TEST_F(BreakTimeTest, TenMinutesStartTheSound601SecondsAfterTheShowAndStayAtZero) {
  const std::uint64_t t0 = Show(10);
  RunUntil(t0 + 600'999);
  EXPECT_FALSE(p().BreakSoundStarted);
  EXPECT_FALSE(Playing());
  RunUntil(t0 + 601'000);
  EXPECT_TRUE(p().BreakSoundStarted);
  EXPECT_TRUE(Playing());
  EXPECT_EQ(player().FileName, "bell.mid");
  EXPECT_FALSE(overlay().Timer1.Enabled());
  EXPECT_EQ(Reads(), "0 : 0");
  RunUntil(t0 + 700'000);
  EXPECT_EQ(Reads(), "0 : 0");
  EXPECT_TRUE(overlay().Visible()) << "nothing closes the break screen by itself";
  EXPECT_TRUE(h.ui.MessageBoxes().empty());
}

TEST_F(BreakTimeTest, OneZeroAndNegativeMinutesAllReadZeroFiftyNineAndRingAfter61Seconds) {
  for (std::int32_t minutes : {1, 0, -1, -25, INT_MIN}) {
    SCOPED_TRACE(minutes);
    const std::uint64_t t0 = Show(minutes);
    EXPECT_EQ(Reads(), "0 : 59");
    for (int s = 1; s <= 60; ++s) {
      RunUntil(t0 + 1000u * s);
      ASSERT_EQ(overlay().CountdownMinutes, 0);
      ASSERT_GE(overlay().CountdownSeconds, 0);
    }
    EXPECT_EQ(Reads(), "0 : 0");
    EXPECT_FALSE(p().BreakSoundStarted);
    RunUntil(t0 + 61'000);
    EXPECT_TRUE(p().BreakSoundStarted);
    EXPECT_TRUE(Playing());
    h.PressKey(gui::kVkEscape);
    EXPECT_FALSE(player().IsOpen()) << "Esc stops the break sound";
    EXPECT_FALSE(p().BreakSoundStarted);
  }
}

TEST_F(BreakTimeTest, AHugeLengthCountsDownFromItsLastMinute) {
  Show(INT_MAX);
  EXPECT_EQ(overlay().LabelMinute.Caption(), std::to_string(INT_MAX - 1));
}

TEST_F(BreakTimeTest, AMissingSoundShowsOneErrorBoxAndTheCountdownStops) {
  p().Settings.BreakSound = "nowhere.mid";
  // The user reads the box for ten seconds while its loop runs the
  // program's timers, the countdown's tick among them.
  std::uint64_t upSince = 0;
  h.ui.whileBoxUp = [&](const gui::MessageBoxCall&) {
    if (!upSince) upSince = sys.Now();
    if (sys.Now() - upSince < 10'000)
      sys.Advance(10);
    else
      h.ui.AnswerBox(gui::kIdOk);
  };
  const std::uint64_t t0 = Show(1);
  RunUntil(t0 + 61'000);
  ASSERT_EQ(h.ui.MessageBoxes().size(), 1u);
  const gui::MessageBoxCall& box = h.ui.MessageBoxes()[0];
  EXPECT_EQ(box.caption, "") << "no caption of its own";
  EXPECT_EQ(box.text,
            "Error 275: Cannot find the specified file. Make sure the path and filename are "
            "correct.");
  EXPECT_EQ(box.flags, gui::kMbOk);
  EXPECT_TRUE(p().BreakSoundStarted);
  EXPECT_FALSE(player().IsOpen());
  EXPECT_FALSE(overlay().Timer1.Enabled());
  RunUntil(t0 + 90'000);
  EXPECT_EQ(h.ui.MessageBoxes().size(), 1u);
}

TEST_F(BreakTimeTest, TheSoundsErrorBoxIsAboveTheBreakScreenAndAClickOnItsOkClosesIt) {
  p().Settings.BreakSound = "nowhere.mid";
  const auto click = h.ClickNextBoxOk();
  const std::uint64_t t0 = Show(1);
  RunUntil(t0 + 61'000);
  ASSERT_EQ(h.ui.MessageBoxes().size(), 1u);
  EXPECT_EQ(click->atOk, h.ui.MessageBoxes()[0].okButton)
      << "the OK button is on top where it shows";
  EXPECT_EQ(click->boxes, 1) << "the click closed the box";
  EXPECT_TRUE(overlay().Visible());
}

TEST_F(BreakTimeTest, AnEmptySoundNamePausesTwoHundredMillisecondsAndPlaysNothing) {
  p().Settings.BreakSound.clear();
  const std::uint64_t t0 = Show(1);
  RunUntil(t0 + 60'000);
  overlay().Timer1.SetEnabled(false);  // the last tick by hand, to time it
  const std::uint64_t pauseEnd = sys.SleepEnd(200);
  overlay().Timer1Timer();
  EXPECT_EQ(sys.Now(), pauseEnd);
  EXPECT_TRUE(p().BreakSoundStarted);
  EXPECT_FALSE(player().IsOpen());
  EXPECT_TRUE(h.ui.MessageBoxes().empty());
}

TEST_F(BreakTimeTest, TheBreakSoundReplacesASoundThatPlays) {
  sys.AddSoundFile("music.mid", 600'000);
  player().FileName = "music.mid";
  player().Open();
  player().Play();
  const std::uint64_t t0 = Show(1);
  RunUntil(t0 + 61'000);
  EXPECT_TRUE(Playing());
  EXPECT_EQ(player().FileName, "bell.mid");
}

TEST_F(BreakTimeTest, ClosingStopsTheTickHidesTheLabelsAndANewShowRestarts) {
  const std::uint64_t t0 = Show(3);
  RunUntil(t0 + 5000);
  EXPECT_EQ(Reads(), "2 : 55");
  h.PressKey(gui::kVkEscape);
  EXPECT_FALSE(overlay().Timer1.Enabled());
  for (const OverlayLabel* l :
       {&overlay().LabelMinute, &overlay().Labelinteral, &overlay().LabelSecond})
    EXPECT_FALSE(l->Visible());
  const std::int32_t seconds = overlay().CountdownSeconds;
  RunUntil(sys.Now() + 5000);
  EXPECT_EQ(overlay().CountdownSeconds, seconds);
  Show(3);
  EXPECT_EQ(Reads(), "2 : 59");
}

TEST_F(BreakTimeTest, EachShowNudgesThePointerOnceWithItsFirstFrame) {
  std::vector<std::uint64_t> moves;
  overlay().Image_Draw.OnMouseMove = [&](unsigned, int, int) { moves.push_back(sys.Now()); };
  sys.PlaceCursor({10, 200});  // over the field, off the labels
  const std::uint64_t t0 = Show(1);
  RunUntil(t0 + 3000);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0], t0);
  EXPECT_FALSE(overlay().Timer3.Enabled());
}

TEST_F(BreakTimeTest, RepeatedBreakShowsAndTicksLeaveTheObjectCountsFlat) {
  const std::uint64_t t0 = Show(1);
  RunUntil(t0 + 3000);
  h.PressKey(gui::kVkEscape);
  const int dcs = h.process->DcCount(), objects = h.process->GdiObjectCount();
  for (int i = 0; i < 200; ++i) {
    const std::uint64_t t = Show(1);
    RunUntil(t + 1500);
    h.PressKey(gui::kVkEscape);
  }
  EXPECT_EQ(h.process->DcCount(), dcs);
  EXPECT_EQ(h.process->GdiObjectCount(), objects);
}

}  // namespace
