// The monitors as the program meets them, for whatever layout the system
// has (natively also for two monitors, one left of and above the primary,
// so that screen coordinates run negative): one primary at 0,0 of the
// screen metrics' size, the virtual screen round them all, the monitor
// under a point, and the screen's context reading each monitor's pixels
// at that monitor's coordinates.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using namespace platform;

constexpr gui::Color kMarkPixel = 0x2080E0;

class MonitorContract : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    if (GetParam() && !ArrangeMonitors({{0, 0, 1024, 768}, {-640, -200, 0, 280}}))
      GTEST_SKIP() << "the system's monitors are its own";
    for (HMonitor m : p->EnumDisplayMonitors()) {
      MonitorInfo info;
      ASSERT_TRUE(p->GetMonitorInfoA(m, &info));
      monitors.push_back({m, info});
    }
    ASSERT_FALSE(monitors.empty());
  }

  // What the screen's context shows at a point of the screen.
  gui::Color ScreenPixel(Point at) {
    const Hdc screen = p->GetWindowDC(p->GetDesktopWindow());
    const Hdc dc = p->CreateCompatibleDC(screen);
    const HGdiObj bitmap = p->CreateCompatibleBitmap(screen, 1, 1);
    const HGdiObj old = p->SelectObject(dc, bitmap);
    EXPECT_TRUE(p->BitBlt(dc, 0, 0, 1, 1, screen, at.x, at.y, kSrcCopy));
    gui::Bitmap pixel;
    EXPECT_TRUE(p->GetDIBits(dc, bitmap, pixel));
    p->SelectObject(dc, old);
    p->DeleteObject(bitmap);
    p->DeleteDC(dc);
    p->ReleaseDC(p->GetDesktopWindow(), screen);
    return pixel.Empty() ? gui::kBlack : pixel.Pixel(0, 0);
  }

  struct Monitor {
    HMonitor handle;
    MonitorInfo info;
  };
  std::unique_ptr<Platform> p;
  std::vector<Monitor> monitors;
};

TEST_P(MonitorContract, OnePrimaryAtTheOriginAndTheVirtualScreenRoundThemAll) {
  EXPECT_EQ(p->GetSystemMetrics(kSmCMonitors), static_cast<int>(monitors.size()));
  Rect round = monitors.front().info.monitor;
  int primaries = 0;
  for (const Monitor& m : monitors) {
    const Rect& r = m.info.monitor;
    const Rect& w = m.info.work;
    EXPECT_TRUE(w.left >= r.left && w.top >= r.top && w.right <= r.right && w.bottom <= r.bottom)
        << "the work area lies on its monitor";
    if (m.info.flags & kMonitorInfoFPrimary) {
      ++primaries;
      EXPECT_EQ(r,
                (Rect{0, 0, p->GetSystemMetrics(kSmCxScreen), p->GetSystemMetrics(kSmCyScreen)}));
    }
    round = {std::min(round.left, r.left), std::min(round.top, r.top),
             std::max(round.right, r.right), std::max(round.bottom, r.bottom)};
  }
  EXPECT_EQ(primaries, 1);
  EXPECT_EQ(p->GetSystemMetrics(kSmXVirtualScreen), round.left);
  EXPECT_EQ(p->GetSystemMetrics(kSmYVirtualScreen), round.top);
  EXPECT_EQ(p->GetSystemMetrics(kSmCxVirtualScreen), round.Width());
  EXPECT_EQ(p->GetSystemMetrics(kSmCyVirtualScreen), round.Height());
  Rect desktop;
  ASSERT_TRUE(p->GetWindowRect(p->GetDesktopWindow(), &desktop));
  EXPECT_EQ(desktop.left, 0) << "the desktop window is the primary's";
  EXPECT_EQ(desktop.Width(), p->GetSystemMetrics(kSmCxScreen));
}

TEST_P(MonitorContract, APointGivesItsMonitorAndAPointBesideNoneTheNearestOrThePrimary) {
  HMonitor primary = 0;
  for (const Monitor& m : monitors)
    if (m.info.flags & kMonitorInfoFPrimary) primary = m.handle;
  for (const Monitor& m : monitors) {
    const Rect& r = m.info.monitor;
    const Point centre{r.left + r.Width() / 2, r.top + r.Height() / 2};
    for (std::uint32_t flags :
         {kMonitorDefaultToNull, kMonitorDefaultToPrimary, kMonitorDefaultToNearest})
      EXPECT_EQ(p->MonitorFromPoint(centre, flags), m.handle);
    EXPECT_EQ(p->MonitorFromPoint({r.right - 1, r.bottom - 1}, kMonitorDefaultToNull), m.handle)
        << "the last pixel is the monitor's";
    // One pixel past its right edge, where no other monitor is.
    const Point beside{r.right, centre.y};
    if (p->MonitorFromPoint(beside, kMonitorDefaultToNull) != 0) continue;
    EXPECT_EQ(p->MonitorFromPoint(beside, kMonitorDefaultToNearest), m.handle);
    EXPECT_EQ(p->MonitorFromPoint(beside, kMonitorDefaultToPrimary), primary);
  }
  EXPECT_FALSE(p->GetMonitorInfoA(0, nullptr));
}

TEST_P(MonitorContract, TheScreensContextReadsEachMonitorAtItsOwnCoordinates) {
  for (const Monitor& m : monitors) {
    const Rect& r = m.info.monitor;
    WindowParams params = contract::Popup("Monitor");
    params.left = r.left + 30;
    params.top = r.top + 20;
    params.width = 40;
    params.height = 30;
    params.topmost = true;
    contract::LoggingWindow window(*p, params, [](const Msg& msg) -> std::optional<LResult> {
      if (msg.message == msg::kEraseBkgnd) return 1;
      return std::nullopt;
    });
    p->ShowWindow(window.hwnd(), kSwShowNoActivate);
    contract::PumpPending(*p);
    const Hdc dc = p->GetWindowDC(window.hwnd());
    const HGdiObj pen = p->CreatePen(kPsSolid, 200, kMarkPixel);
    const HGdiObj old = p->SelectObject(dc, pen);
    p->MoveToEx(dc, 20, 15, nullptr);
    p->LineTo(dc, 21, 15);
    p->SelectObject(dc, old);
    p->DeleteObject(pen);
    p->ReleaseDC(window.hwnd(), dc);
    // Wine hands the window's pixels to the screen when the thread waits.
    const Point inside{r.left + 50, r.top + 35};
    for (int i = 0; i < 50 && ScreenPixel(inside) != kMarkPixel; ++i) {
      p->Sleep(20);
      contract::PumpPending(*p);
    }
    EXPECT_EQ(ScreenPixel(inside), kMarkPixel) << "monitor at " << r.left << "," << r.top;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, MonitorContract, ::testing::Values(false, true),
                         [](const auto& info) {
                           return info.param ? "TwoArranged" : "TheSystems";
                         });

}  // namespace
