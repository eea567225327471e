// The system keys as a window receives them and as the default handling
// answers them: with Alt held a key comes as WM_SYSKEYDOWN/WM_SYSKEYUP with
// the context bit, F10 always does, and Alt's own release is a system key
// only when nothing came between its press and release. Alt+F4 left to the
// default handling becomes WM_SYSCOMMAND SC_CLOSE and then WM_CLOSE; Alt or
// F10 pressed and let go alone asks for the keyboard menu, which a popup
// without a menu or window menu does not open; nor does Alt with a
// character (WM_SYSCHAR from the message loop's translation).
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using contract::LoggingWindow;
using platform::Msg;
namespace msg = platform::msg;

constexpr std::uint8_t kScanAlt = 0x38;
constexpr std::uint8_t kScanCtrl = 0x1D;
constexpr std::uint8_t kScanF4 = 0x3E;
constexpr std::uint8_t kScanF10 = 0x44;
constexpr std::uint8_t kScanX = 0x2D;

bool IsKeyOrCommand(std::uint32_t m) {
  return m == msg::kKeyDown || m == msg::kKeyUp || m == msg::kSysKeyDown || m == msg::kSysKeyUp ||
         m == msg::kSysChar || m == msg::kSysCommand || m == msg::kClose;
}

// One expected message; lParam is compared only when given.
struct Expect {
  std::uint32_t message;
  platform::WParam wParam;
  std::int64_t lParam = -1;
};

::testing::AssertionResult Matches(const std::vector<Msg>& got, const std::vector<Expect>& want) {
  auto dump = [&] {
    std::string s;
    char line[80];
    for (const Msg& m : got) {
      std::snprintf(line, sizeof line, "\n  0x%04x wParam 0x%llx lParam 0x%08llx", m.message,
                    static_cast<unsigned long long>(m.wParam),
                    static_cast<unsigned long long>(static_cast<std::uint32_t>(m.lParam)));
      s += line;
    }
    return s;
  };
  if (got.size() != want.size())
    return ::testing::AssertionFailure()
           << got.size() << " messages, wanted " << want.size() << ":" << dump();
  for (std::size_t i = 0; i < got.size(); ++i) {
    const Msg& m = got[i];
    const Expect& e = want[i];
    // A system command's low four bits are the system's own.
    const platform::WParam w = m.message == msg::kSysCommand ? m.wParam & 0xFFF0 : m.wParam;
    if (m.message != e.message || w != e.wParam ||
        (e.lParam >= 0 && static_cast<std::uint32_t>(m.lParam) != e.lParam))
      return ::testing::AssertionFailure() << "message " << i << " differs:" << dump();
  }
  return ::testing::AssertionSuccess();
}

class SystemKeyContract : public ::testing::Test {
 protected:
  void SetUp() override { p = MakeContractPlatform(); }
  void TearDown() override {
    // A failed case must not leave a key held for the next.
    for (std::uint8_t vk : held_) p->keybd_event(vk, 0, platform::kKeyEventKeyUp);
    Settle();
  }

  // The active window at (100, 120) that keeps itself on WM_CLOSE, as the
  // program's forms do, so that what follows the close still reaches it.
  std::unique_ptr<LoggingWindow> Shown() {
    auto w = std::make_unique<LoggingWindow>(*p, contract::Popup("System keys"),
                                             [](const Msg& m) -> std::optional<platform::LResult> {
                                               if (m.message == msg::kClose) return 0;
                                               return std::nullopt;
                                             });
    // Shown without activation first (see the input tests: Wine without a
    // window manager waits in vain otherwise), then put in front.
    p->ShowWindow(w->hwnd(), platform::kSwShowNoActivate);
    p->SetForegroundWindow(w->hwnd());
    p->SetFocus(w->hwnd());
    Settle();
    w->ClearLog();
    return w;
  }

  void Down(std::uint8_t vk, std::uint8_t scan) {
    p->keybd_event(vk, scan, 0);
    held_.insert(vk);
  }
  void Up(std::uint8_t vk, std::uint8_t scan) {
    p->keybd_event(vk, scan, platform::kKeyEventKeyUp);
    held_.erase(vk);
  }

  void Settle() {
    for (int i = 0; i < 5; ++i) {
      p->Sleep(10);
      contract::PumpPending(*p);
    }
  }

  static std::vector<Msg> KeysOf(const LoggingWindow& w) {
    std::vector<Msg> out;
    for (const Msg& m : w.log())
      if (IsKeyOrCommand(m.message)) out.push_back(m);
    return out;
  }

  std::unique_ptr<platform::Platform> p;
  std::set<std::uint8_t> held_;
};

TEST_F(SystemKeyContract, AltF4BecomesTheCloseCommandAndThenWmClose) {
  auto w = Shown();
  Down(platform::kVkMenu, kScanAlt);
  Down(platform::kVkF4, kScanF4);
  Up(platform::kVkF4, kScanF4);
  Up(platform::kVkMenu, kScanAlt);
  Settle();

  EXPECT_TRUE(Matches(KeysOf(*w),
                      {
                          {msg::kSysKeyDown, platform::kVkMenu, 0x20380001},
                          {msg::kSysKeyDown, platform::kVkF4, 0x203E0001},
                          {msg::kSysCommand, platform::kScClose, 0},
                          {msg::kClose, 0, 0},
                          {msg::kSysKeyUp, platform::kVkF4, 0xE03E0001},
                          {msg::kKeyUp, platform::kVkMenu, 0xC0380001},
                      }))
      << "the close command is posted, so it comes before the release of F4; Alt's release "
         "after another key is a plain key";
  EXPECT_TRUE(p->IsWindow(w->hwnd()));
}

TEST_F(SystemKeyContract, AWindowThatLeavesWmCloseToTheSystemIsDestroyedByAltF4) {
  auto w = std::make_unique<LoggingWindow>(*p, contract::Popup("Default close"));
  p->ShowWindow(w->hwnd(), platform::kSwShowNoActivate);
  p->SetForegroundWindow(w->hwnd());
  p->SetFocus(w->hwnd());
  Settle();
  Down(platform::kVkMenu, kScanAlt);
  Down(platform::kVkF4, kScanF4);
  Up(platform::kVkF4, kScanF4);
  Up(platform::kVkMenu, kScanAlt);
  Settle();
  EXPECT_EQ(w->Count(msg::kClose), 1);
  EXPECT_FALSE(p->IsWindow(w->hwnd()));
}

TEST_F(SystemKeyContract, AltAloneAsksForTheKeyboardMenuWhichAPopupWithoutMenusDoesNotOpen) {
  auto w = Shown();
  Down(platform::kVkMenu, kScanAlt);
  Up(platform::kVkMenu, kScanAlt);
  Settle();
  // No menu opened: the next key is an ordinary key of the window.
  Down('X', kScanX);
  Up('X', kScanX);
  Settle();

  EXPECT_TRUE(Matches(KeysOf(*w), {
                                      {msg::kSysKeyDown, platform::kVkMenu, 0x20380001},
                                      {msg::kSysKeyUp, platform::kVkMenu, 0xC0380001},
                                      {msg::kSysCommand, platform::kScKeyMenu, 0},
                                      {msg::kKeyDown, 'X', 0x002D0001},
                                      {msg::kKeyUp, 'X', 0xC02D0001},
                                  }));
}

TEST_F(SystemKeyContract, F10IsASystemKeyWithoutAltAndAsksForTheKeyboardMenuToo) {
  auto w = Shown();
  Down(platform::kVkF10, kScanF10);
  Up(platform::kVkF10, kScanF10);
  Settle();
  EXPECT_TRUE(Matches(KeysOf(*w), {
                                      {msg::kSysKeyDown, platform::kVkF10, 0x00440001},
                                      {msg::kSysKeyUp, platform::kVkF10, 0xC0440001},
                                      {msg::kSysCommand, platform::kScKeyMenu, 0},
                                  }));
}

TEST_F(SystemKeyContract, AltWithALetterIsAnAccessKeyAndWithCtrlNoSystemKeyAtAll) {
  auto w = Shown();
  Down(platform::kVkMenu, kScanAlt);
  Down('X', kScanX);
  Up('X', kScanX);
  Up(platform::kVkMenu, kScanAlt);
  Settle();
  EXPECT_TRUE(Matches(KeysOf(*w),
                      {
                          {msg::kSysKeyDown, platform::kVkMenu, 0x20380001},
                          {msg::kSysKeyDown, 'X', 0x202D0001},
                          {msg::kSysChar, 'x', 0x202D0001},
                          {msg::kSysCommand, platform::kScKeyMenu, 'x'},
                          {msg::kSysKeyUp, 'X', 0xE02D0001},
                          {msg::kKeyUp, platform::kVkMenu, 0xC0380001},
                      }))
      << "the message loop's translation makes Alt+X a menu access key, which nothing takes";

  // Ctrl+Alt+F4: plain keys, and nothing closes.
  w->ClearLog();
  Down(platform::kVkControl, kScanCtrl);
  Down(platform::kVkMenu, kScanAlt);
  Down(platform::kVkF4, kScanF4);
  Up(platform::kVkF4, kScanF4);
  Up(platform::kVkMenu, kScanAlt);
  Up(platform::kVkControl, kScanCtrl);
  Settle();
  EXPECT_TRUE(Matches(KeysOf(*w), {
                                      {msg::kKeyDown, platform::kVkControl},
                                      {msg::kKeyDown, platform::kVkMenu},
                                      {msg::kKeyDown, platform::kVkF4},
                                      {msg::kKeyUp, platform::kVkF4},
                                      {msg::kKeyUp, platform::kVkMenu},
                                      {msg::kKeyUp, platform::kVkControl},
                                  }));
}

}  // namespace
