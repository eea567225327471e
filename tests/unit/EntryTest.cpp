// The program's entry on a simulated machine: a whole run from start to the
// tray menu's Exit, and the single-instance guard between two processes.
#include <gtest/gtest.h>

#include "app/Entry.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;
using platform::memory::SimProcess;

// Runs a whole program in its own process; the idle hook stands in for the
// user: it is called whenever the program waits with nothing to do.
struct ProgramRun {
  explicit ProgramRun(SimSystem& sys) : process(sys.StartProcess()), ui(*process) {}
  int operator()() { return RunTavrin(*process, ui); }
  std::unique_ptr<SimProcess> process;
  gui::HeadlessBackend ui;
};

TEST(EntryTest, RunsUntilExitIsChosenFromTheTrayMenu) {
  SimSystem sys;
  ProgramRun run(sys);
  int idleCalls = 0;
  bool menuOpened = false;
  bool clicked = false;
  run.ui.ChooseInMenus("&Exit");
  run.process->SetIdleHook([&] {
    ++idleCalls;
    if (menuOpened) return false;
    menuOpened = true;
    const platform::Hwnd main = sys.FindWindow("TForm_Main");
    EXPECT_EQ(sys.TrayIcons().size(), 1u);
    clicked = sys.ClickTrayIcon(main, 1034, platform::msg::kRButtonDown);
    return clicked;
  });
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(clicked) << "the right click reached the tray icon";
  ASSERT_EQ(run.ui.Popups().size(), 1u) << "the click opened the tray menu";
  EXPECT_NE(gui::HeadlessBackend::FindEntry(run.ui.Popups()[0].entries, "&Exit"), 0);
  EXPECT_EQ(idleCalls, 1) << "the menu's Exit ended the loop, not an idle queue";
  EXPECT_TRUE(sys.TrayIcons().empty());
  EXPECT_EQ(sys.FindWindow("TForm_Main"), 0u);
  EXPECT_TRUE(run.ui.MessageBoxes().empty());
}

TEST(EntryTest, SecondCopyShowsTheBoxAndLeavesTheFirstUntouched) {
  SimSystem sys;
  ProgramRun first(sys);
  std::unique_ptr<ProgramRun> second;
  bool secondRan = false;
  int secondResult = -1;
  first.process->SetIdleHook([&] {
    if (secondRan) return false;
    secondRan = true;
    const auto windowsBefore = sys.ZOrder().size();
    second = std::make_unique<ProgramRun>(sys);
    secondResult = (*second)();
    EXPECT_EQ(sys.ZOrder().size(), windowsBefore) << "the second copy made no visible window";
    // A first copy that let go of its mutex after the check would let this
    // one start as if alone, without a word.
    const auto& boxes = second->ui.MessageBoxes();
    EXPECT_EQ(boxes.size(), 1u) << "the second copy says why it stops";
    if (!boxes.empty()) {
      EXPECT_EQ(boxes[0].text, "Tavrin2002 already exists");
      EXPECT_EQ(boxes[0].caption, "System Error");
    }
    EXPECT_TRUE(second->ui.Popups().empty());
    EXPECT_EQ(sys.TrayIcons().size(), 1u) << "only the first copy's icon is shown";
    second.reset();  // its process ends
    return false;
  });
  EXPECT_EQ(first(), 0);

  ASSERT_TRUE(secondRan);
  EXPECT_EQ(secondResult, 0);
  EXPECT_TRUE(first.ui.MessageBoxes().empty());
  // The first copy ran on: its icon stayed until its own exit.
  EXPECT_TRUE(sys.TrayIcons().empty());
}

TEST(EntryTest, SecondCopyBoxTextCaptionAndFlags) {
  SimSystem sys;
  auto holder = sys.StartProcess();
  holder->CreateMutexA(true, kInstanceMutexName);
  {
    ProgramRun second(sys);
    EXPECT_EQ(second(), 0);
    ASSERT_EQ(second.ui.MessageBoxes().size(), 1u);
    const gui::MessageBoxCall& box = second.ui.MessageBoxes()[0];
    EXPECT_EQ(box.text, "Tavrin2002 already exists");
    EXPECT_EQ(box.caption, "System Error");
    EXPECT_EQ(box.flags, 0x10u);
    EXPECT_EQ(sys.FindWindow("TForm_Main"), 0u);
    EXPECT_FALSE(sys.KeyExists(kSettingsKey)) << "no settings were loaded or created";
  }
  holder.reset();  // the first copy exits: its mutex goes with it
  ProgramRun third(sys);
  EXPECT_EQ(third(), 0);
  EXPECT_TRUE(third.ui.MessageBoxes().empty());
  EXPECT_TRUE(sys.KeyExists(kSettingsKey)) << "the new copy started normally";
}

}  // namespace
