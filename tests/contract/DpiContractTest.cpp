// What the DPI awareness of a thread and of a window change: the DPI the
// window is drawn for, and the units the thread is told the screen's size
// in, also while the procedure of a window of another awareness runs; each
// monitor's DPI, and the sizes the system gives at a DPI. The suite runs at
// the screen's 96 DPI and again at 144, where the units differ.
//
// Wine 8 has one DPI for every monitor and knows per-monitor awareness of
// the first version only. Windows 10 and 11 give each monitor its own and
// tell a window moved onto a monitor of another DPI (WM_DPICHANGED): the
// checks of that run where the tests can give the monitors their DPIs, and
// say so by name.
#include <gtest/gtest.h>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using namespace platform;

class DpiContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    // Per-monitor awareness of the first version: Wine 8 knows no other.
    previous = p->SetThreadDpiAwarenessContext(kDpiAwarenessContextPerMonitorAware);
    ASSERT_NE(previous, 0) << "the system knows per-monitor awareness";
  }
  void TearDown() override { p->SetThreadDpiAwarenessContext(previous); }
  // The screen's width as an unaware thread is told it.
  static int In96Dpi(int pixels, std::uint32_t dpi) {
    return static_cast<int>((static_cast<long long>(pixels) * 96 + dpi / 2) / dpi);
  }
  std::unique_ptr<Platform> p;
  DpiAwarenessContext previous = 0;
};

TEST_F(DpiContract, AnUnawareWindowIsDrawnAt96DpiAnAwareOneAtTheScreens) {
  contract::LoggingWindow aware(*p, contract::Popup("Aware"));
  const std::uint32_t dpi = p->GetDpiForWindow(aware.hwnd());
  EXPECT_GE(dpi, 96u);
  ASSERT_NE(p->SetThreadDpiAwarenessContext(kDpiAwarenessContextUnaware), 0);
  contract::LoggingWindow unaware(*p, contract::Popup("Unaware"));
  ASSERT_NE(p->SetThreadDpiAwarenessContext(kDpiAwarenessContextSystemAware), 0);
  contract::LoggingWindow system(*p, contract::Popup("System"));
  EXPECT_EQ(p->GetDpiForWindow(unaware.hwnd()), 96u);
  EXPECT_EQ(p->GetDpiForWindow(system.hwnd()), dpi) << "one screen: its DPI is the system's";
  EXPECT_EQ(p->SetThreadDpiAwarenessContext(0), 0) << "no such context";

  Hwnd gone = 0;
  {
    contract::LoggingWindow w(*p, contract::Popup("Gone"));
    gone = w.hwnd();
  }
  EXPECT_EQ(p->GetDpiForWindow(gone), 0u);
}

TEST_F(DpiContract, AProcedureRunsWithItsWindowsAwarenessAndTheCallersComesBack) {
  contract::LoggingWindow aware(*p, contract::Popup("Aware"));
  const std::uint32_t dpi = p->GetDpiForWindow(aware.hwnd());
  const int width = p->GetSystemMetrics(kSmCxScreen);
  const int all = p->GetSystemMetrics(kSmCxVirtualScreen);

  int told = -1;
  auto record = [&](const Msg& m) -> std::optional<LResult> {
    if (m.message != msg::kUser) return std::nullopt;
    told = p->GetSystemMetrics(kSmCxScreen);
    return 0;
  };
  ASSERT_NE(p->SetThreadDpiAwarenessContext(kDpiAwarenessContextUnaware), 0);
  EXPECT_EQ(p->GetSystemMetrics(kSmCxScreen), In96Dpi(width, dpi));
  EXPECT_EQ(p->GetSystemMetrics(kSmCxVirtualScreen), In96Dpi(all, dpi));
  contract::LoggingWindow unaware(*p, contract::Popup("Unaware"), record);
  p->SendMessageA(unaware.hwnd(), msg::kUser, 0, 0);
  EXPECT_EQ(told, In96Dpi(width, dpi));

  ASSERT_NE(p->SetThreadDpiAwarenessContext(kDpiAwarenessContextPerMonitorAware), 0);
  told = -1;
  p->SendMessageA(unaware.hwnd(), msg::kUser, 0, 0);
  EXPECT_EQ(told, In96Dpi(width, dpi)) << "sent";
  told = -1;
  ASSERT_TRUE(p->PostMessageA(unaware.hwnd(), msg::kUser, 0, 0));
  contract::PumpPending(*p);
  EXPECT_EQ(told, In96Dpi(width, dpi)) << "posted";
  EXPECT_EQ(p->GetSystemMetrics(kSmCxScreen), width) << "the caller's awareness is back";
}

TEST_F(DpiContract, AWindowIsDrawnAtItsMonitorsDpiAndTheSmallIconIsSizedForADpi) {
  const HMonitor primary = p->MonitorFromPoint({0, 0}, kMonitorDefaultToPrimary);
  const std::uint32_t dpi = p->GetDpiForMonitor(primary);
  EXPECT_GE(dpi, 96u);
  EXPECT_EQ(p->GetDpiForMonitor(0), 0u) << "no such monitor";
  contract::LoggingWindow w(*p, contract::Popup("OnThePrimary"));
  EXPECT_EQ(p->GetDpiForWindow(w.hwnd()), dpi);
  EXPECT_EQ(p->GetSystemMetricsForDpi(kSmCxSmIcon, 96), 16);
  EXPECT_EQ(p->GetSystemMetricsForDpi(kSmCxSmIcon, 144), 24);
  EXPECT_EQ(p->GetSystemMetricsForDpi(kSmCySmIcon, 192), 32);
  if (p->SetThreadDpiAwarenessContext(kDpiAwarenessContextPerMonitorAwareV2) == 0) {
    EXPECT_TRUE(RunningUnderWine()) << "per-monitor awareness of the second version: beyond Wine";
  }
}

TEST_F(DpiContract, BeyondWineAWindowMovedMostlyOntoAMonitorOfAnotherDpiIsToldIt) {
  if (!ArrangeMonitors({{0, 0, 1024, 768}, {1024, 0, 1664, 480}}, {144, 96}))
    GTEST_SKIP() << "Wine 8 has one DPI for every monitor";
  ASSERT_NE(p->SetThreadDpiAwarenessContext(kDpiAwarenessContextPerMonitorAwareV2), 0);
  ASSERT_TRUE(p->SetCursorPos(5, 5));  // not over the window: its corner stays
  Rect suggested{};
  contract::LoggingWindow w(*p, contract::Popup("Moving"), [&](const Msg& m) {
    if (m.message == msg::kDpiChanged) suggested = *reinterpret_cast<const Rect*>(m.lParam);
    return std::optional<LResult>{};
  });
  p->ShowWindow(w.hwnd(), kSwShowNoActivate);
  EXPECT_EQ(p->GetDpiForWindow(w.hwnd()), 144u);
  const auto told = [&](std::uint32_t dpi) {
    return w.Count(msg::kDpiChanged, static_cast<WParam>(dpi) * 0x10001);
  };
  const std::uint32_t moveOnly = kSwpNoZOrder | kSwpNoActivate;

  // Less than half of it over the edge: still the primary's.
  p->SetWindowPos(w.hwnd(), 0, 800, 100, 300, 200, moveOnly);
  EXPECT_EQ(w.Count(msg::kDpiChanged), 0);
  // Most of it on the other monitor: told its DPI, with the window's size
  // at that DPI from the same corner.
  p->SetWindowPos(w.hwnd(), 0, 1000, 100, 300, 200, moveOnly);
  EXPECT_EQ(told(96), 1);
  EXPECT_EQ(suggested, (Rect{1000, 100, 1200, 233}));
  EXPECT_EQ(p->GetDpiForWindow(w.hwnd()), 96u);

  // A hidden window moved back is told when it shows again.
  p->ShowWindow(w.hwnd(), kSwHide);
  p->SetWindowPos(w.hwnd(), 0, 100, 100, 200, 133, moveOnly);
  EXPECT_EQ(p->GetDpiForWindow(w.hwnd()), 96u);
  p->ShowWindow(w.hwnd(), kSwShowNoActivate);
  EXPECT_EQ(told(144), 1);
  EXPECT_EQ(p->GetDpiForWindow(w.hwnd()), 144u);
}

}  // namespace
