// These wait on the real clock under Windows; the simulated clock only moves
// when the test sleeps or waits, so natively they take no time.
#include <gtest/gtest.h>

#include <optional>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using contract::LoggingWindow;
using contract::Popup;
namespace msg = platform::msg;

// GetTickCount on Windows advances in steps of up to 16 ms.
constexpr std::uint32_t kTickStep = 16;

class TimerContract : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    auto popup = Popup("Timers");
    popup.messageOnly = GetParam();
    window = std::make_unique<LoggingWindow>(*p, popup);
    ASSERT_NE(window->hwnd(), 0u);
    contract::PumpPending(*p);
    window->ClearLog();
  }

  int TimerCount(std::uintptr_t id) const { return window->Count(msg::kTimer, id); }

  std::unique_ptr<platform::Platform> p;
  std::unique_ptr<LoggingWindow> window;
};

TEST_P(TimerContract, ExpiriesDuringSleepCoalesceIntoOneMessage) {
  const platform::Hwnd h = window->hwnd();
  ASSERT_EQ(p->SetTimer(h, 7, 50), 7u);

  p->Sleep(200);
  EXPECT_EQ(TimerCount(7), 0) << "Sleep does not dispatch";
  const auto taken = contract::PumpPending(*p);
  EXPECT_EQ(TimerCount(7), 1) << "four expiries, one WM_TIMER";
  int queued = 0;
  for (const auto& m : taken) {
    if (m.message != msg::kTimer) continue;
    ++queued;
    EXPECT_EQ(m.hwnd, h);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(m.lParam, 0) << "no callback";
  }
  EXPECT_EQ(queued, 1);

  p->Sleep(200);
  contract::PumpPending(*p);
  EXPECT_EQ(TimerCount(7), 2) << "the timer keeps running";

  EXPECT_TRUE(p->KillTimer(h, 7));
  p->Sleep(120);
  contract::PumpPending(*p);
  EXPECT_EQ(TimerCount(7), 2);
  EXPECT_FALSE(p->KillTimer(h, 7));
}

TEST_P(TimerContract, EachTimerCoalescesOnItsOwn) {
  const platform::Hwnd h = window->hwnd();
  ASSERT_EQ(p->SetTimer(h, 1, 50), 1u);
  ASSERT_EQ(p->SetTimer(h, 2, 30), 2u);
  p->Sleep(200);
  contract::PumpPending(*p);
  EXPECT_EQ(TimerCount(1), 1);
  EXPECT_EQ(TimerCount(2), 1);
  EXPECT_TRUE(p->KillTimer(h, 1));
  EXPECT_TRUE(p->KillTimer(h, 2));
}

TEST_P(TimerContract, NoMessageBeforeTheFirstExpiry) {
  const platform::Hwnd h = window->hwnd();
  ASSERT_EQ(p->SetTimer(h, 4, 400), 4u);
  p->Sleep(50);
  contract::PumpPending(*p);
  EXPECT_EQ(TimerCount(4), 0);
  EXPECT_TRUE(p->KillTimer(h, 4));
}

TEST_P(TimerContract, WaitMessageReturnsOnceATimerIsDue) {
  const platform::Hwnd h = window->hwnd();
  const std::uint32_t start = p->GetTickCount();
  ASSERT_EQ(p->SetTimer(h, 5, 50), 5u);
  // Another message may wake the loop first; the timer must follow soon.
  for (int i = 0; i < 50 && TimerCount(5) == 0; ++i) {
    ASSERT_TRUE(p->WaitMessage());
    contract::PumpPending(*p);
  }
  const std::uint32_t elapsed = p->GetTickCount() - start;
  EXPECT_EQ(TimerCount(5), 1);
  EXPECT_GE(elapsed, 50 - kTickStep);
  EXPECT_LT(elapsed, 2000u);
  EXPECT_TRUE(p->KillTimer(h, 5));
}

TEST_P(TimerContract, SleepAdvancesTheTickCount) {
  const std::uint32_t start = p->GetTickCount();
  p->Sleep(200);
  EXPECT_GE(p->GetTickCount() - start, 200 - kTickStep);
}

// A handler that runs past the next expiry does not shift the timer: the
// next message comes at the timer's next period boundary after the late one
// is taken, not a whole period later. With a 50 ms timer whose every other
// handler takes 70 ms, the late ones are taken at 50, 150, 250, ... and each
// is followed at once by one for the boundary it ran past: twenty messages
// by 1020 ms. Counting a whole period from each take would make that 1200 ms.
TEST(TimerBeatContract, ALateHandlerDoesNotShiftTheTimersBeat) {
  auto p = MakeContractPlatform();
  int ticks = 0;
  platform::Platform* pp = p.get();
  LoggingWindow window(*p, Popup("Late timer"), [&](const platform::Msg& m) {
    if (m.message != msg::kTimer) return std::optional<platform::LResult>();
    if (++ticks % 2 == 1) pp->Sleep(70);
    return std::optional<platform::LResult>(0);
  });
  ASSERT_NE(window.hwnd(), 0u);
  contract::PumpPending(*p);
  const std::uint32_t start = p->GetTickCount();
  ASSERT_EQ(p->SetTimer(window.hwnd(), 3, 50), 3u);
  for (int i = 0; i < 200 && ticks < 20; ++i) {
    ASSERT_TRUE(p->WaitMessage());
    platform::Msg m;
    // One message at a time, so the clock is read right after the twentieth.
    if (p->PeekMessageW(&m, 0, platform::kPmRemove)) p->DispatchMessageW(m);
  }
  const std::uint32_t elapsed = p->GetTickCount() - start;
  EXPECT_TRUE(p->KillTimer(window.hwnd(), 3));
  ASSERT_EQ(ticks, 20);
  EXPECT_GE(elapsed + kTickStep, 1020u);
  EXPECT_LT(elapsed, 1110u) << "the late handlers shifted the timer";
}

// Windows' clock, unless a program raises the timer resolution (which costs
// a laptop's battery), ticks every 15.6 ms, and sleeps and timers end on its
// ticks: "If dwMilliseconds is less than the resolution of the system
// clock, the thread may sleep for less than the specified length of time"
// (Sleep), and a timer shorter than a tick expires once a tick. Wine 8
// keeps Sleep, timers and the tick count exact to about a millisecond:
// there the harsher expectations are Windows' only.
bool WineKeepsExactTime() { return RunningUnderWine(); }

TEST(ClockContract, TheTickCountStepsAndShortSleepsAndTimersEndOnTheClocksTicks) {
  auto p = MakeContractPlatform();
  std::uint32_t last = p->GetTickCount();
  for (int i = 0; i < 40; ++i) {
    p->Sleep(1);
    const std::uint32_t now = p->GetTickCount();
    if (now != last && !WineKeepsExactTime()) {
      EXPECT_GE(now - last, 15u) << "the tick count steps by a tick";
    }
    last = now;
  }

  const std::uint32_t start = p->GetTickCount();
  for (int i = 0; i < 32; ++i) p->Sleep(3);
  const std::uint32_t slept = p->GetTickCount() - start;
  if (WineKeepsExactTime()) {
    EXPECT_LT(slept, 32u * 3 + 200) << "Wine's Sleep(3) lasts 3 ms";
  } else {
    EXPECT_GE(slept, 32u * 15) << "each Sleep(3) lasts until the next tick";
  }

  int beats = 0;
  LoggingWindow window(*p, Popup("Fast timer"), [&](const platform::Msg& m) {
    if (m.message != msg::kTimer) return std::optional<platform::LResult>();
    ++beats;
    return std::optional<platform::LResult>(0);
  });
  contract::PumpPending(*p);
  const std::uint32_t from = p->GetTickCount();
  ASSERT_EQ(p->SetTimer(window.hwnd(), 9, 10), 9u);
  while (p->GetTickCount() - from < 500) {
    ASSERT_TRUE(p->WaitMessage());
    contract::PumpPending(*p);
  }
  EXPECT_TRUE(p->KillTimer(window.hwnd(), 9));
  if (WineKeepsExactTime()) {
    EXPECT_GE(beats, 40) << "Wine's 10 ms timer keeps its period";
  } else {
    EXPECT_LE(beats, 34) << "a 10 ms timer expires at most once a tick, 32 times in 500 ms";
  }
  EXPECT_GE(beats, 25);
}

INSTANTIATE_TEST_SUITE_P(OnPopupAndMessageOnlyWindows, TimerContract, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "MessageOnly" : "Popup"; });

}  // namespace
