// What the DPI awareness of a thread and of a window change: the DPI the
// window is drawn for, and the units the thread is told the screen's size
// in, also while the procedure of a window of another awareness runs. The
// suite runs at the screen's 96 DPI and again at 144, where the units differ.
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

}  // namespace
