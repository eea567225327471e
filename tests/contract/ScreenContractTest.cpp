// Drawing meets the screen the same way on both systems: what a memory
// surface holds reaches a visible window pixel for pixel, a grab of the
// desktop sees that window, and a wide pen's dot is round.
#include <gtest/gtest.h>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using namespace platform;

TEST(ScreenContract, SurfaceReachesAVisibleWindowAndTheDesktopGrabSeesIt) {
  auto p = MakeContractPlatform();
  WindowParams params = contract::Popup("Screen");
  params.topmost = true;
  contract::LoggingWindow window(*p, params, [](const Msg& m) -> std::optional<LResult> {
    if (m.message == msg::kPaint || m.message == msg::kEraseBkgnd) return 1;  // we draw
    return std::nullopt;
  });
  p->ShowWindow(window.hwnd(), kSwShowNoActivate);
  contract::PumpPending(*p);

  const Hdc desktop = p->GetWindowDC(p->GetDesktopWindow());
  ASSERT_NE(desktop, 0u);
  const Hdc surface = p->CreateCompatibleDC(desktop);
  const HGdiObj bitmap = p->CreateCompatibleBitmap(desktop, 200, 150);
  const HGdiObj oldBitmap = p->SelectObject(surface, bitmap);
  // Black everywhere, then a green dot of 20 pixels at (100, 75).
  const HGdiObj pen = p->CreatePen(kPsSolid, 20, 0x00FF00);
  const HGdiObj oldPen = p->SelectObject(surface, pen);
  p->MoveToEx(surface, 100, 75, nullptr);
  p->LineTo(surface, 101, 76);

  const Hdc wdc = p->GetWindowDC(window.hwnd());
  ASSERT_NE(wdc, 0u);
  ASSERT_TRUE(p->BitBlt(wdc, 0, 0, 200, 150, surface, 0, 0, kSrcCopy));

  gui::Bitmap shown;
  ASSERT_TRUE(p->CaptureWindowPixels(window.hwnd(), shown));
  ASSERT_EQ(shown.Width(), 200);
  EXPECT_EQ(shown.Pixel(100, 75), 0x00FF00u);
  EXPECT_EQ(shown.Pixel(5, 5), 0u);
  EXPECT_EQ(shown.Pixel(100, 100), 0u) << "the dot ends within its radius";
  EXPECT_EQ(shown.Pixel(100 + 9, 75 + 9), 0u) << "round: the square's corner stays black";

  // Wine hands a window's pixels to the X server when the thread next waits
  // for messages: let it, as a running message loop would.
  for (int i = 0; i < 5; ++i) {
    p->Sleep(20);
    contract::PumpPending(*p);
  }
  gui::Bitmap screen;
  ASSERT_TRUE(p->CaptureWindowPixels(p->GetDesktopWindow(), screen));
  EXPECT_EQ(screen.Width(), p->GetSystemMetrics(kSmCxScreen));
  EXPECT_EQ(screen.Pixel(params.left + 100, params.top + 75), 0x00FF00u);

  EXPECT_EQ(p->ReleaseDC(window.hwnd(), wdc), 1);
  p->SelectObject(surface, oldPen);
  p->SelectObject(surface, oldBitmap);
  EXPECT_TRUE(p->DeleteObject(pen));
  EXPECT_TRUE(p->DeleteObject(bitmap));
  EXPECT_TRUE(p->DeleteDC(surface));
  EXPECT_EQ(p->ReleaseDC(p->GetDesktopWindow(), desktop), 1);
}

}  // namespace
