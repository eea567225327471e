// System-wide shortcuts (RegisterHotKey): one combination of modifiers and
// key belongs to one registration on the whole system, whichever thread or
// process holds it; a window's shortcuts go with the window, a process's
// with the process. Keyboard input that matches one comes to its window as
// WM_HOTKEY (the id, the modifiers and the key), and the key going down
// reaches no window itself.
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using contract::LoggingWindow;
using platform::Msg;
namespace msg = platform::msg;
namespace error = platform::error;

// Keys that no keyboard in use has, so no program on a test machine holds
// them.
constexpr std::uint8_t kVkF13 = 0x7C;
constexpr std::uint8_t kVkF14 = 0x7D;
constexpr std::uint32_t kCtrlShift = platform::kModControl | platform::kModShift;

class HotkeyContract : public ::testing::Test {
 protected:
  void SetUp() override { p = MakeContractPlatform(); }

  // A window in front with the keyboard.
  std::unique_ptr<LoggingWindow> Shown() {
    auto w = std::make_unique<LoggingWindow>(*p, contract::Popup("Shortcuts"));
    // Shown without activation first (Wine without a window manager waits
    // in vain otherwise), then put in front.
    p->ShowWindow(w->hwnd(), platform::kSwShowNoActivate);
    p->SetForegroundWindow(w->hwnd());
    p->SetFocus(w->hwnd());
    Settle();
    w->ClearLog();
    return w;
  }

  void Key(std::uint8_t vk, bool down) {
    p->keybd_event(vk, 0, down ? 0 : platform::kKeyEventKeyUp);
  }
  // Ctrl+Shift and the key, each pressed down more than once when asked
  // (the keyboard's auto-repeat), then let go.
  void PressCtrlShift(std::uint8_t vk, int downs = 1) {
    Key(platform::kVkControl, true);
    Key(platform::kVkShift, true);
    for (int i = 0; i < downs; ++i) Key(vk, true);
    Key(vk, false);
    Key(platform::kVkShift, false);
    Key(platform::kVkControl, false);
    Settle();
  }

  void Settle() {
    for (int i = 0; i < 5; ++i) {
      p->Sleep(10);
      contract::PumpPending(*p);
    }
  }

  static int KeyMessages(const LoggingWindow& w, std::uint32_t message, std::uint32_t vk) {
    return w.Count(message, vk);
  }

  std::unique_ptr<platform::Platform> p;
};

TEST_F(HotkeyContract, ACombinationHasOneHolderUntilItIsGivenBack) {
  auto w = Shown();
  auto other = std::make_unique<LoggingWindow>(*p, contract::Popup("Other"));
  ASSERT_TRUE(p->RegisterHotKey(w->hwnd(), 1, kCtrlShift | platform::kModNoRepeat, kVkF13));

  // The same window, another window, the thread: all refused, also without
  // MOD_NOREPEAT (it is no part of the combination).
  EXPECT_FALSE(p->RegisterHotKey(w->hwnd(), 2, kCtrlShift, kVkF13));
  EXPECT_EQ(p->GetLastError(), error::kHotkeyAlreadyRegistered);
  EXPECT_FALSE(p->RegisterHotKey(other->hwnd(), 1, kCtrlShift, kVkF13));
  EXPECT_EQ(p->GetLastError(), error::kHotkeyAlreadyRegistered);
  EXPECT_FALSE(p->RegisterHotKey(0, 1, kCtrlShift | platform::kModNoRepeat, kVkF13));
  EXPECT_EQ(p->GetLastError(), error::kHotkeyAlreadyRegistered);
  // Other modifiers make another combination.
  EXPECT_TRUE(p->RegisterHotKey(other->hwnd(), 1, platform::kModControl, kVkF13));

  // The same window and id again replaces the shortcut, which frees F13.
  EXPECT_TRUE(p->RegisterHotKey(w->hwnd(), 1, kCtrlShift, kVkF14));
  EXPECT_TRUE(p->RegisterHotKey(w->hwnd(), 2, kCtrlShift, kVkF13));

  EXPECT_TRUE(p->UnregisterHotKey(w->hwnd(), 2));
  EXPECT_FALSE(p->UnregisterHotKey(w->hwnd(), 2));
  EXPECT_EQ(p->GetLastError(), error::kHotkeyNotRegistered);
  EXPECT_TRUE(p->RegisterHotKey(0, 5, kCtrlShift, kVkF13));
  EXPECT_TRUE(p->UnregisterHotKey(0, 5));

  // A window that goes takes its shortcuts along.
  w.reset();
  EXPECT_TRUE(p->RegisterHotKey(other->hwnd(), 2, kCtrlShift, kVkF14));
  EXPECT_TRUE(p->UnregisterHotKey(other->hwnd(), 2));
  EXPECT_TRUE(p->UnregisterHotKey(other->hwnd(), 1));
}

TEST_F(HotkeyContract, AnotherProcessHoldsItsShortcutUntilItEnds) {
  auto second = MakeSecondProcess();
  ASSERT_TRUE(second->RegisterHotKey(0, 1, kCtrlShift, kVkF13));
  auto w = Shown();
  EXPECT_FALSE(p->RegisterHotKey(w->hwnd(), 1, kCtrlShift | platform::kModNoRepeat, kVkF13));
  EXPECT_EQ(p->GetLastError(), error::kHotkeyAlreadyRegistered);
  second.reset();
  EXPECT_TRUE(p->RegisterHotKey(w->hwnd(), 1, kCtrlShift, kVkF13));
  EXPECT_TRUE(p->UnregisterHotKey(w->hwnd(), 1));
}

TEST_F(HotkeyContract, OnlyTheCallingThreadsWindowsCanHoldAShortcut) {
  auto hung = MakeHungWindow();
  ASSERT_TRUE(hung);
  EXPECT_FALSE(p->RegisterHotKey(hung->Handle(), 1, kCtrlShift, kVkF13));
  EXPECT_EQ(p->GetLastError(), error::kWindowOfOtherThread);
  EXPECT_TRUE(p->RegisterHotKey(0, 1, kCtrlShift, kVkF13)) << "and the refusal held nothing";
  EXPECT_TRUE(p->UnregisterHotKey(0, 1));
}

TEST_F(HotkeyContract, TheKeysOfAShortcutComeAsWmHotkeyAndTheKeyDownReachesNoWindow) {
  auto w = Shown();
  ASSERT_TRUE(p->RegisterHotKey(w->hwnd(), 7, kCtrlShift | platform::kModNoRepeat, kVkF13));
  PressCtrlShift(kVkF13);
  ASSERT_EQ(w->Count(platform::kWmHotkey), 1);
  for (const Msg& m : w->log())
    if (m.message == platform::kWmHotkey) {
      EXPECT_EQ(m.wParam, 7u);
      EXPECT_EQ(m.lParam, platform::MakeLParam(kCtrlShift, kVkF13))
          << "the modifiers held (without MOD_NOREPEAT) and the key";
    }
  EXPECT_EQ(KeyMessages(*w, msg::kKeyDown, kVkF13), 0);
  EXPECT_EQ(KeyMessages(*w, msg::kKeyUp, kVkF13), 1) << "only the key's release comes through";

  // Held down, the key repeats: MOD_NOREPEAT makes that one notification
  // on Windows ("keyboard auto-repeat does not yield multiple hotkey
  // notifications"); Wine 8 ignores the flag and posts one per repeat.
  w->ClearLog();
  PressCtrlShift(kVkF13, 3);
  EXPECT_EQ(w->Count(platform::kWmHotkey), RunningUnderWine() ? 3 : 1);
  EXPECT_EQ(KeyMessages(*w, msg::kKeyDown, kVkF13), 0) << "nor do the repeats";

  // Another set of modifiers is no match: the key is the window's.
  w->ClearLog();
  Key(platform::kVkControl, true);
  Key(kVkF13, true);
  Key(kVkF13, false);
  Key(platform::kVkControl, false);
  Settle();
  EXPECT_EQ(w->Count(platform::kWmHotkey), 0);
  EXPECT_EQ(KeyMessages(*w, msg::kKeyDown, kVkF13), 1);

  // Given back, the combination is an ordinary key again.
  ASSERT_TRUE(p->UnregisterHotKey(w->hwnd(), 7));
  w->ClearLog();
  PressCtrlShift(kVkF13);
  EXPECT_EQ(w->Count(platform::kWmHotkey), 0);
  EXPECT_EQ(KeyMessages(*w, msg::kKeyDown, kVkF13), 1);
}

}  // namespace
