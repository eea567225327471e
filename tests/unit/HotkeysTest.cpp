// The keyboard's shortcuts for the device's keys, in the program on a
// simulated machine: registered at start from the settings, pressed they go
// the way of the key's packet, the Keys page of the settings edits them, a
// stored value the control cannot make is no shortcut, and one another
// program holds is told in the tray's tip and on the page. The palette's
// hints and the tray menu's Keys items name each slot's working shortcut.
#include <gtest/gtest.h>

#include <optional>

#include "dialogs/Seeting.h"
#include "effects/Show.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;
using platform::memory::SimHotkey;

constexpr std::uint32_t kCtrlAltShift =
    platform::kModControl | platform::kModAlt | platform::kModShift;
constexpr std::uint8_t kF1 = platform::kVkF1;

class HotkeysTest : public ::testing::Test {
 protected:
  HotkeysTest() : h(sys) { h.process->SetIdleTimeBudget(60'000); }
  void Pump() { h.app.ProcessMessages(); }
  void Press(std::uint8_t vk, std::uint32_t modifiers = kCtrlAltShift) {
    sys.PressShortcut(modifiers, vk);
    Pump();
  }
  // The shortcut the program holds for a slot.
  std::optional<SimHotkey> Held(std::size_t slot) {
    for (const SimHotkey& k : sys.Hotkeys())
      if (k.pid == h.process->Pid() && k.id == static_cast<int>(slot + 1)) return k;
    return std::nullopt;
  }
  bool OverlayShown() { return sys.Window(h.program.Form_Draw->Handle())->visible; }
  std::string Tip() { return sys.FindTrayIcon(h.Main().Handle(), kTrayIconId)->tip; }

  TForm_Seeting& d() { return *h.program.Form_Seeting; }
  // The settings from the menu, on the Keys page chosen on the tab row.
  void OpenKeysPage() {
    h.Main().Settings1Click();
    Pump();
    // The last tab lies past the row's end: the arrow key from the one before.
    d().PageControl1.SetActivePageIndex(d().TabSheet_Keys.PageIndex() - 1);
    for (const gui::WinControl* c : d().WinControls())
      if (sys.Window(c->Handle())->className == platform::kTabControlClass)
        h.process->SetFocus(c->Handle());
    sys.PressKey(platform::kVkRight);
    Pump();
    ASSERT_TRUE(d().TabSheet_Keys.Showing());
  }
  void Click(const gui::WinControl& c) {
    sys.ClickWindow(c.Handle());
    Pump();
  }
  std::string Caption(std::size_t slot) { return d().HotKeyCaptions[slot]->Caption(); }

  SimSystem sys;
  ProgramHarness h;
};

TEST_F(HotkeysTest, CtrlAltShiftWithF1ToF11DoWhatTheKeysBToLDo) {
  h.Start();
  for (std::size_t slot = 0; slot < 11; ++slot) {
    const auto k = Held(slot);
    ASSERT_TRUE(k) << slot;
    EXPECT_EQ(k->hwnd, h.Main().Handle());
    EXPECT_EQ(k->modifiers, kCtrlAltShift | platform::kModNoRepeat);
    EXPECT_EQ(k->vk, kF1 + slot);
  }
  // G (F6) is the Spot Light: the same key again closes it, as on the pointer.
  Press(kF1 + 5);
  EXPECT_TRUE(OverlayShown());
  EXPECT_EQ(h.program.OverlayMode, 6);
  Press(kF1 + 5);
  EXPECT_FALSE(OverlayShown());

  // H (F7) plays a sound that is missing: its box waits for OK, and the
  // shortcut pressed again meanwhile is dropped, as its packet would be.
  h.program.Settings.SoundName = "nowhere.mid";
  int boxesUp = 0;
  h.ui.whileBoxUp = [&](const gui::MessageBoxCall&) {
    if (++boxesUp == 1) Press(kF1 + 6);
    h.ui.AnswerBox(gui::kIdOk);
  };
  Press(kF1 + 6);
  EXPECT_EQ(boxesUp, 1);
  EXPECT_EQ(h.ui.MessageBoxes().size(), 1u);
}

TEST_F(HotkeysTest, StoredValuesTheControlCannotMakeAreNoShortcutAndTheLoadGoesOn) {
  WriteDefaultKey(sys);
  sys.SetDword(kKey, "Hotkey B", 0xFFFF0770);  // bits above the four flags
  sys.SetString(kKey, "Hotkey C", "Ctrl+Alt+Shift+F2");
  sys.SetDword(kKey, "Hotkey D", 0);       // cleared by the user
  sys.SetDword(kKey, "Hotkey E", 0x0700);  // modifiers without a key
  sys.SetValue(kKey, "Hotkey F", platform::kRegBinary, {0x45, 0x02, 0, 0});
  sys.SetDword(kKey, "Hotkey G", 0x0145);  // Shift+E: HOTKEYF_SHIFT is MOD_ALT's bit
  h.Start();

  EXPECT_TRUE(h.ui.MessageBoxes().empty());
  for (std::size_t slot : {0, 1, 2, 3, 4}) EXPECT_FALSE(Held(slot)) << slot;
  ASSERT_TRUE(Held(5));
  EXPECT_EQ(Held(5)->modifiers, platform::kModShift | platform::kModNoRepeat);
  EXPECT_EQ(Held(5)->vk, 'E');
  EXPECT_EQ(Held(6)->vk, kF1 + 6u) << "an absent value keeps its default";
  EXPECT_EQ(h.program.Settings.ZoomFactor, 2) << "values after them still load";
  // Nor does the Keys page make one of them (the control's word would keep
  // the low bits of the first), so an OK stores none.
  h.Main().Settings1Click();
  Pump();
  for (std::size_t slot : {0, 1, 2, 3, 4}) EXPECT_EQ(d().HotKeys[slot]->Hotkey(), 0) << slot;
}

TEST_F(HotkeysTest, AShortcutAnotherProgramHoldsIsToldInTheTipAndOnTheKeysPage) {
  auto other = sys.StartProcess();
  ASSERT_TRUE(other->RegisterHotKey(0, 1, kCtrlAltShift, kF1 + 1));
  h.Start();
  EXPECT_FALSE(Held(1));
  EXPECT_NE(Tip().find("; Ctrl+Alt+Shift+F2 taken by another program"), std::string::npos) << Tip();

  OpenKeysPage();
  EXPECT_EQ(Caption(0), "B  Mark");
  EXPECT_EQ(Caption(1), "C  Reveal: taken");
  EXPECT_EQ(d().HotKeyCaptions[1]->FontColor(), gui::kRed);
  // Another key's shortcut typed meanwhile leaves that said.
  Click(*d().HotKeys[0]);
  Press(kF1 + 8, platform::kModControl);
  EXPECT_EQ(Caption(1), "C  Reveal: taken");

  // Given up by the other program, it is the program's at the next OK.
  other.reset();
  Click(d().OK);
  EXPECT_TRUE(Held(1));
  EXPECT_EQ(Tip().find("taken"), std::string::npos) << Tip();
}

TEST_F(HotkeysTest, ASlotsHintAndKeysMenuItemNameItsEffectWithTheShortcutThatWorks) {
  auto other = sys.StartProcess();
  ASSERT_TRUE(other->RegisterHotKey(0, 1, kCtrlAltShift, kF1 + 1));  // C's
  h.Start();
  h.Main().Minimized1Click();
  Pump();
  const platform::Hwnd palette = h.Main().Handle();
  const platform::Hwnd tip = h.Main().HintWindow();
  ASSERT_NE(tip, 0u);
  const gui::Bitmap pixels = sys.Window(palette)->frame;
  const auto restOn = [&](int x, int y) {
    platform::Rect r;
    h.process->GetWindowRect(palette, &r);
    h.process->SetCursorPos(r.left + x, r.top + y);
    h.RunFor(600);
    return sys.Window(tip)->visible ? sys.Window(tip)->text : std::string("(none)");
  };
  EXPECT_EQ(restOn(150, 120), "Spot Light (Ctrl+Alt+Shift+F6)");  // G
  EXPECT_EQ(sys.Window(palette)->frame, pixels);
  // C's shortcut is another program's: it would start nothing here.
  EXPECT_EQ(restOn(96, 60), "Reveal");

  h.ui.answerMenu = [](const gui::PopupMenuCall&) { return 0; };
  const auto keysItem = [&](std::size_t slot) {
    sys.ClickTrayIcon(palette, kTrayIconId, platform::msg::kRButtonDown);
    Pump();
    const auto& menu = h.ui.Popups().back().entries;
    const int keys = gui::HeadlessBackend::FindEntry(menu, "&Keys");
    for (const gui::MenuEntry& e : menu)
      if (e.id == keys) return e.children.at(slot).text;
    return std::string();
  };
  EXPECT_EQ(keysItem(5), "&G  Spot Light\tCtrl+Alt+Shift+F6");
  EXPECT_EQ(keysItem(1), "&C  Reveal");

  // The Keys page's OK brings both up to date; the item opens that page.
  other.reset();
  h.ui.ChooseInMenus("&B  Mark");
  sys.ClickTrayIcon(palette, kTrayIconId, platform::msg::kRButtonDown);
  Pump();
  ASSERT_TRUE(d().TabSheet_Keys.Showing());
  Click(d().OK);
  h.ui.answerMenu = [](const gui::PopupMenuCall&) { return 0; };
  EXPECT_EQ(keysItem(1), "&C  Reveal\tCtrl+Alt+Shift+F2");
  h.Main().Show();
  Pump();
  EXPECT_EQ(restOn(96, 60), "Reveal (Ctrl+Alt+Shift+F2)");
}

TEST_F(HotkeysTest, TheKeysPageTakesATypedShortcutAtOkAndCancelLeavesTheOldOnes) {
  h.Start();
  const auto typeIntoB = [&] {
    OpenKeysPage();
    // C's own shortcut, which the program gives back while the page is in
    // front, so that it reaches the control.
    Click(*d().HotKeys[0]);
    Press(kF1 + 1);
    EXPECT_FALSE(OverlayShown());
    EXPECT_EQ(d().HotKeys[0]->Hotkey(), 0x0771);
    EXPECT_EQ(Caption(1), "C  Reveal: as B");
    // C emptied (which the control tells nobody; OK reads it).
    Click(*d().HotKeys[1]);
    sys.PressKey(platform::kVkBack);
    Pump();
    EXPECT_EQ(d().HotKeys[1]->Hotkey(), 0);
  };

  typeIntoB();
  EXPECT_FALSE(Held(0)) << "suspended while the page is in front";
  Click(d().Cancle);
  EXPECT_EQ(Held(0)->vk, kF1);
  EXPECT_EQ(Held(1)->vk, kF1 + 1u);
  EXPECT_FALSE(sys.Value(kKey, "Hotkey B"));

  typeIntoB();
  Click(d().OK);
  EXPECT_EQ(sys.Dword(kKey, "Hotkey B"), 0x0771u);
  EXPECT_EQ(sys.Dword(kKey, "Hotkey C"), 0u);
  EXPECT_EQ(sys.Dword(kKey, "Hotkey D"), 0x0772u);
  EXPECT_EQ(Held(0)->vk, kF1 + 1u);
  EXPECT_FALSE(Held(1)) << "cleared, and given back";
  Press(kF1 + 1);
  EXPECT_TRUE(OverlayShown()) << "B's Mark";
  EXPECT_EQ(h.program.OverlayMode, 1);
}

}  // namespace
