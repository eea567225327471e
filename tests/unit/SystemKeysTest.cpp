// The system keys on the program's windows and the pointer's shape over
// them, on a simulated machine: Alt+F4 takes each window's own close path
// (the palette ends the program, the overlay closes as Esc closes it, the
// dialogs close as their Cancel does), while the keys the windows handle
// themselves keep working; and the pointer over each control shows the
// control's shape from the cursor table, the mark's cursor file over the
// Mark tool's overlay, none over the break screen.
#include <gtest/gtest.h>

#include "dialogs/About.h"
#include "dialogs/Effecttable.h"
#include "dialogs/Seeting.h"
#include "effects/Show.h"
#include "resources/artwork/MarkStamps.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;
using platform::HCursor;

constexpr std::uint8_t kVkF4 = 0x73;

class SystemKeysTest : public ::testing::Test {
 protected:
  SystemKeysTest() : h(sys) {
    h.process->SetIdleTimeBudget(60'000);
    h.Start();
  }
  Program& p() { return h.program; }
  TForm_Draw& overlay() { return *p().Form_Draw; }
  bool OnScreen(const gui::Form& f) { return sys.Window(f.Handle())->visible; }

  // Alt+F4 as the user types it, each key handled as it comes.
  void AltF4() {
    for (auto [vk, flags] : {std::pair{platform::kVkMenu, 0u}, std::pair{kVkF4, 0u},
                             std::pair{kVkF4, platform::kKeyEventKeyUp},
                             std::pair{platform::kVkMenu, platform::kKeyEventKeyUp}}) {
      h.process->keybd_event(vk, 0, flags);
      h.app.ProcessMessages();
    }
  }
  void Dispatch(unsigned code) {
    h.Main().DispatchEffect(code);
    h.app.ProcessMessages();
  }
  // The pointer moved onto a form's point (its own coordinates): the shape
  // the system shows there afterwards.
  HCursor CursorAt(const gui::Form& f, int x, int y) {
    platform::Rect r;
    h.process->GetWindowRect(f.Handle(), &r);
    h.process->SetCursorPos(r.left + x, r.top + y);
    h.process->mouse_event(platform::kMouseEventMove, 1, 0, 0);
    h.app.ProcessMessages();
    return sys.CurrentCursor();
  }
  HCursor CursorOver(const gui::Control& c) {
    return CursorAt(c.Owner(), c.Left() + c.Width() / 2, c.Top() + c.Height() / 2);
  }
  HCursor Standard(std::uint32_t id) { return sys.StandardCursor(id); }

  SimSystem sys;
  ProgramHarness h;
};

TEST_F(SystemKeysTest, AltF4OnThePaletteEndsTheProgramAsItsCloseBoxDoes) {
  h.Main().Minimized1Click();  // the palette at its full size, in front
  h.app.ProcessMessages();
  ASSERT_EQ(sys.Foreground(), h.Main().Handle());
  AltF4();
  EXPECT_TRUE(h.app.Terminated());
}

TEST_F(SystemKeysTest, AltAloneOrAnotherAltKeyLeavesThePaletteAndItsShortcutsWork) {
  h.Main().Minimized1Click();
  h.app.ProcessMessages();
  h.process->keybd_event(platform::kVkMenu, 0, 0);
  h.process->keybd_event(platform::kVkMenu, 0, platform::kKeyEventKeyUp);
  h.process->keybd_event(platform::kVkMenu, 0, 0);
  h.process->keybd_event('X', 0, 0);
  h.process->keybd_event('X', 0, platform::kKeyEventKeyUp);
  h.process->keybd_event(platform::kVkMenu, 0, platform::kKeyEventKeyUp);
  h.app.ProcessMessages();
  EXPECT_FALSE(h.app.Terminated());
  EXPECT_TRUE(OnScreen(h.Main()));

  h.PressKey('A', /*ctrl=*/true);  // the menu's Ctrl+A: the about box
  EXPECT_TRUE(OnScreen(*p().FormAbout));
}

TEST_F(SystemKeysTest, AltF4OnTheOverlayClosesItAsEscDoesInEveryMode) {
  for (unsigned code : {0u, 1u, 3u, 5u, 8u, 12u}) {
    Dispatch(code);
    ASSERT_TRUE(OnScreen(overlay())) << code;
    const std::uint64_t before = sys.Now();
    AltF4();
    EXPECT_FALSE(OnScreen(overlay())) << code;
    EXPECT_TRUE(OnScreen(h.Main())) << code << ": the palette is back";
    EXPECT_EQ(sys.Now() - before, 0u) << code << ": the close does not pause";
    EXPECT_FALSE(p().OverlayVisible) << code;
    EXPECT_FALSE(h.app.Terminated());
  }
  // Esc still closes it, and another key still leaves it open.
  Dispatch(1);
  h.PressKey('A');
  EXPECT_TRUE(OnScreen(overlay()));
  h.PressKey(gui::kVkEscape);
  EXPECT_FALSE(OnScreen(overlay()));
}

TEST_F(SystemKeysTest, AltF4OnTheSettingsDialogClosesItAndTheMainWindowReturns) {
  h.Main().Settings1Click();
  h.app.ProcessMessages();
  ASSERT_TRUE(OnScreen(*p().Form_Seeting));
  ASSERT_FALSE(OnScreen(h.Main()));
  sys.ClearRegistryWrites();
  AltF4();
  EXPECT_FALSE(OnScreen(*p().Form_Seeting));
  EXPECT_TRUE(OnScreen(h.Main()));
  EXPECT_TRUE(sys.RegistryWrites().empty()) << "a cancel saves nothing";
  EXPECT_FALSE(h.app.Terminated());
}

TEST_F(SystemKeysTest, AltF4OnTheEffectTableAndTheAboutBoxClosesThemAsTheirCancel) {
  h.Main().EffectTable1Click();
  h.app.ProcessMessages();
  ASSERT_TRUE(OnScreen(*p().FormEffectTable));
  sys.ClearRegistryWrites();
  AltF4();
  EXPECT_FALSE(OnScreen(*p().FormEffectTable));
  EXPECT_TRUE(sys.RegistryWrites().empty());

  h.Main().About1Click();
  h.app.ProcessMessages();
  ASSERT_TRUE(OnScreen(*p().FormAbout));
  AltF4();
  EXPECT_FALSE(OnScreen(*p().FormAbout));
  EXPECT_FALSE(h.app.Terminated());
}

// ---- pointer shapes ---------------------------------------------------------------

TEST_F(SystemKeysTest, TheAboutBoxLinkShowsTheHandAndTheRestTheArrow) {
  h.Main().About1Click();
  h.app.ProcessMessages();
  const TFormAbout& about = *p().FormAbout;
  EXPECT_EQ(CursorOver(about.Label5), Standard(platform::kIdcHand));
  EXPECT_EQ(CursorOver(about.Label1), Standard(platform::kIdcArrow));
  EXPECT_EQ(CursorOver(about.Label5), Standard(platform::kIdcHand)) << "back on the link";
  EXPECT_EQ(CursorAt(about, 4, 190), Standard(platform::kIdcArrow)) << "the bare panel";
}

TEST_F(SystemKeysTest, OverlayShapesFollowTheMode) {
  Dispatch(1);  // Reveal: hidden
  EXPECT_EQ(CursorAt(overlay(), 200, 200), 0u);
  EXPECT_TRUE(sys.PointerHidden());
  Dispatch(1);
  Dispatch(3);  // Zoom: the hand
  EXPECT_EQ(CursorAt(overlay(), 200, 200), Standard(platform::kIdcHand));
  Dispatch(3);
  Dispatch(4);  // Pen: the arrow
  EXPECT_EQ(CursorAt(overlay(), 200, 200), Standard(platform::kIdcArrow));
  Dispatch(4);
  Dispatch(6);  // Laser Beam: hidden, the dot is the pointer
  EXPECT_EQ(CursorAt(overlay(), 200, 200), 0u);
  Dispatch(6);
  // Back on the palette the class arrow returns.
  h.Main().Minimized1Click();
  h.app.ProcessMessages();
  EXPECT_EQ(CursorAt(h.Main(), 100, 150), Standard(platform::kIdcArrow));
}

TEST_F(SystemKeysTest, TheBreakScreenHidesThePointerOverItsPictureAndLabels) {
  Dispatch(12);
  EXPECT_EQ(CursorAt(overlay(), 10, 10), 0u);
  EXPECT_EQ(CursorOver(overlay().LabelMinute), 0u);
  EXPECT_EQ(CursorOver(overlay().LabelSecond), 0u);
}

TEST_F(SystemKeysTest, TheMarkToolShowsTheChosenMarksCursorAndARightClickTheNext) {
  for (int i = 0; i < artwork::kMarkCount; ++i)
    sys.AddFile(artwork::kMarkCursorFiles[static_cast<std::size_t>(i)], artwork::MarkCursorFile(i));
  p().Settings.MarkChoice = 1;
  Dispatch(0);
  const HCursor wrong = overlay().markCursors[1];
  ASSERT_NE(sys.LoadedCursor(wrong), nullptr);
  EXPECT_EQ(CursorAt(overlay(), 300, 200), wrong);

  h.Click(overlay().Handle(), 300, 200, /*right=*/true);
  ASSERT_EQ(p().Settings.MarkChoice, 2);
  const HCursor circle = overlay().markCursors[2];
  ASSERT_NE(sys.LoadedCursor(circle), nullptr);
  EXPECT_EQ(sys.CurrentCursor(), circle) << "at the button's release already";
  EXPECT_EQ(CursorAt(overlay(), 310, 200), circle);
  Dispatch(0);
}

TEST_F(SystemKeysTest, AMarkWithoutItsCursorFileShowsTheArrow) {
  sys.AddFile("Ok.ico", artwork::MarkCursorFile(0));  // Wrong.ico is missing
  p().Settings.MarkChoice = 0;
  Dispatch(0);
  EXPECT_EQ(CursorAt(overlay(), 300, 200), overlay().markCursors[0]);
  h.Click(overlay().Handle(), 300, 200, /*right=*/true);
  ASSERT_EQ(p().Settings.MarkChoice, 1);
  EXPECT_EQ(CursorAt(overlay(), 310, 200), Standard(platform::kIdcArrow));
  Dispatch(0);
  // A stored choice past the three marks: the arrow too.
  p().Settings.MarkChoice = 7;
  Dispatch(0);
  EXPECT_EQ(CursorAt(overlay(), 300, 200), Standard(platform::kIdcArrow));
}

TEST_F(SystemKeysTest, OverASystemControlItsOwnClassShapeShows) {
  h.Main().Settings1Click();
  h.app.ProcessMessages();
  TForm_Seeting& dialog = *p().Form_Seeting;
  dialog.PageControl1.SetActivePage(dialog.TabSheet_Execute);
  h.app.ProcessMessages();
  // A text field of the system's shows the I-beam, the form around it the
  // arrow.
  platform::Rect field;
  ASSERT_TRUE(h.process->GetWindowRect(dialog.EditExecute.Handle(), &field));
  h.process->SetCursorPos(field.left + 5, field.top + 5);
  h.app.ProcessMessages();
  EXPECT_EQ(sys.CurrentCursor(), Standard(platform::kIdcIBeam));
  EXPECT_EQ(CursorAt(dialog, 4, 250), Standard(platform::kIdcArrow));
}

}  // namespace
