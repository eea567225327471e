// The system's tooltip control: a tool is a rectangle of a window, and the
// tip shows its text once the pointer has rested on it for the initial
// delay, as the window's relayed mouse messages and the pointer's place
// tell; it goes when the pointer leaves the tool, a button goes down, or
// the autopop time has passed.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using platform::Hwnd;
using platform::Point;
namespace msg = platform::msg;

// The tool: a part of the contract popup (200x150 at 100, 120).
constexpr platform::Rect kTool{20, 20, 80, 60};
constexpr Point kOnTool{30, 30};
constexpr Point kOffTool{150, 100};
constexpr char kText[] = "Spot Light (Ctrl+Alt+Shift+F6) & more";

class TooltipContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    window = std::make_unique<contract::LoggingWindow>(*p, contract::Popup("Tools"));
    p->ShowWindow(window->hwnd(), platform::kSwShowNoActivate);
    p->SetForegroundWindow(window->hwnd());
    platform::WindowParams params;
    params.className = platform::kTooltipClass;
    params.owner = window->hwnd();
    params.topmost = true;
    params.style = platform::kTtsAlwaysTip | platform::kTtsNoPrefix;
    tip = p->CreateWindowExA(params, {});
    ASSERT_NE(tip, 0u);
    platform::ToolInfoA tool;
    tool.cbSize = platform::kToolInfoASize;
    tool.hwnd = window->hwnd();
    tool.uId = 7;
    tool.rect = kTool;
    std::string text = kText;
    tool.lpszText = text.data();
    ASSERT_EQ(
        p->SendMessageA(tip, platform::kTtmAddToolA, 0, reinterpret_cast<platform::LParam>(&tool)),
        1);
    // Short delays keep the test quick; what they are by default is checked apart.
    Delay(platform::kTtdtInitial, 150);
    contract::PumpPending(*p);
  }
  void TearDown() override {
    if (tip) p->DestroyWindow(tip);
  }

  void Delay(platform::WParam which, int ms) {
    p->SendMessageA(tip, platform::kTtmSetDelayTime, which, platform::MakeLParam(ms, 0));
  }
  platform::LResult DelayOf(platform::WParam which) {
    return p->SendMessageA(tip, platform::kTtmGetDelayTime, which, 0);
  }
  // The pointer goes to a point of the window and the window relays the
  // message it got.
  void Relay(std::uint32_t message, Point client) {
    p->SetCursorPos(100 + client.x, 120 + client.y);
    platform::RelayedMsg m;
    m.hwnd = window->hwnd();
    m.message = message;
    m.lParam = platform::MakeLParam(client.x, client.y);
    m.time = p->GetTickCount();
    p->GetCursorPos(&m.pt);
    p->SendMessageA(tip, platform::kTtmRelayEvent, 0, reinterpret_cast<platform::LParam>(&m));
  }
  // Takes messages for ms, or until done says so; whether it did.
  bool PumpUntil(const std::function<bool()>& done, std::uint32_t ms) {
    const std::uint32_t start = p->GetTickCount();
    do {
      contract::PumpPending(*p);
      if (done()) return true;
      p->Sleep(10);
    } while (p->GetTickCount() - start < ms);
    contract::PumpPending(*p);
    return done();
  }
  bool Shown() { return p->IsWindowVisible(tip); }
  std::function<bool()> ShownNow() {
    return [this] { return Shown(); };
  }
  std::function<bool()> Hidden() {
    return [this] { return !Shown(); };
  }
  std::string TipText() {
    char text[128] = {};
    p->GetWindowTextA(tip, text, sizeof text);
    return text;
  }
  // Rests the pointer on the tool until its tip shows.
  void ShowTip() {
    Relay(msg::kMouseMove, kOnTool);
    ASSERT_TRUE(PumpUntil(ShownNow(), 3000));
  }

  std::unique_ptr<platform::Platform> p;
  std::unique_ptr<contract::LoggingWindow> window;
  Hwnd tip = 0;
};

TEST_F(TooltipContract, DelaysFollowTheDoubleClickTimeUnlessSet) {
  // Set above; TTDT_AUTOMATIC with 0 gives back the default: the
  // double-click time (500 ms unless the user changed it), the reshow a
  // fifth of it, the autopop ten times it. (The documentation's -1 is
  // 65535 ms under Wine 8, which reads the low word unsigned.)
  EXPECT_EQ(DelayOf(platform::kTtdtInitial), 150);
  Delay(platform::kTtdtAutomatic, 0);
  EXPECT_EQ(DelayOf(platform::kTtdtInitial), 500);
  EXPECT_EQ(DelayOf(platform::kTtdtReshow), 100);
  EXPECT_EQ(DelayOf(platform::kTtdtAutopop), 5000);
  Delay(platform::kTtdtAutomatic, 200);
  EXPECT_EQ(DelayOf(platform::kTtdtReshow), 40);
  EXPECT_EQ(DelayOf(platform::kTtdtAutopop), 2000);
}

TEST_F(TooltipContract, TheTipShowsItsToolsTextOnceThePointerRestedAndGoesWithAClick) {
  Relay(msg::kMouseMove, kOnTool);
  EXPECT_FALSE(PumpUntil(ShownNow(), 60)) << "shown before the initial delay";
  // Moving within the tool starts the delay again: the pointer must rest.
  Relay(msg::kMouseMove, {kOnTool.x + 5, kOnTool.y});
  EXPECT_FALSE(PumpUntil(ShownNow(), 100));
  ASSERT_TRUE(PumpUntil(ShownNow(), 3000));
  // Its text is the tool's whole, the '&' too (TTS_NOPREFIX), below the pointer.
  EXPECT_EQ(TipText(), kText);
  platform::Rect r;
  ASSERT_TRUE(p->GetWindowRect(tip, &r));
  EXPECT_GE(r.top, 120 + kOnTool.y);
  EXPECT_GT(r.Width(), 0);

  Relay(msg::kLButtonDown, {kOnTool.x + 5, kOnTool.y});
  EXPECT_FALSE(Shown());
  // Nor does it come back while the pointer stays.
  EXPECT_FALSE(PumpUntil(ShownNow(), 400));
}

TEST_F(TooltipContract, TheTipGoesWhenThePointerLeavesItsToolOrItsTimeIsUp) {
  ShowTip();
  Relay(msg::kMouseMove, kOffTool);
  EXPECT_FALSE(Shown());

  // Off the window altogether, with nothing relayed: the tip sees it.
  ShowTip();
  p->SetCursorPos(20, 20);
  EXPECT_TRUE(PumpUntil(Hidden(), 1000));

  // A changed text shows in the tip at once; the autopop time ends it.
  Delay(platform::kTtdtAutopop, 300);
  ShowTip();
  platform::ToolInfoA tool;
  tool.cbSize = platform::kToolInfoASize;
  tool.hwnd = window->hwnd();
  tool.uId = 7;
  std::string text = "Zoom";
  tool.lpszText = text.data();
  p->SendMessageA(tip, platform::kTtmUpdateTipTextA, 0, reinterpret_cast<platform::LParam>(&tool));
  EXPECT_EQ(TipText(), "Zoom");
  EXPECT_TRUE(PumpUntil(Hidden(), 2000));
}

}  // namespace
