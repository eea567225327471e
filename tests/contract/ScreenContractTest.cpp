// Drawing meets the screen the same way on both systems: what a memory
// surface holds reaches a visible window pixel for pixel, a line or a
// transfer on a window's device context shows on the screen where the window
// is, a transfer to part of a window lands exactly there and nowhere else,
// and a hidden window puts nothing on the screen. The screen is read back
// the way the program captures it: through the desktop window, into a
// surface whose every pixel the read replaces.
#include <gtest/gtest.h>

#include <memory>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using namespace platform;

constexpr gui::Color kBlackPixel = 0x000000;
constexpr gui::Color kGreenPixel = 0x00FF00;
constexpr gui::Color kRedPixel = 0x0000FF;
constexpr gui::Color kYellowPixel = 0x00FFFF;

class ScreenContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    params = contract::Popup("Screen");
    params.topmost = true;
    window = MakeWindow(params);
    p->ShowWindow(window->hwnd(), kSwShowNoActivate);
    Settle();
    desktop = p->GetWindowDC(p->GetDesktopWindow());
    ASSERT_NE(desktop, 0u);
  }
  void TearDown() override {
    for (auto [dc, bitmap, old] : surfaces) {
      p->SelectObject(dc, old);
      EXPECT_TRUE(p->DeleteObject(bitmap));
      EXPECT_TRUE(p->DeleteDC(dc));
    }
    if (desktop) {
      EXPECT_EQ(p->ReleaseDC(p->GetDesktopWindow(), desktop), 1);
    }
  }

  // The window leaves erasing to the test's own pixels, and its paint to the
  // default handler, which validates it: so a pump empties the queue.
  std::unique_ptr<contract::LoggingWindow> MakeWindow(const WindowParams& wp) {
    return std::make_unique<contract::LoggingWindow>(*p, wp,
                                                     [](const Msg& m) -> std::optional<LResult> {
                                                       if (m.message == msg::kEraseBkgnd) return 1;
                                                       return std::nullopt;
                                                     });
  }

  // Lets the messages through as a running loop would (Wine hands a window's
  // pixels to the X server when the thread next waits for messages). A
  // paint that is never validated comes back at once, forever: that fails
  // here instead of running every pump to its bound.
  void Settle() {
    for (int i = 0; i < 5; ++i) {
      p->Sleep(20);
      const std::vector<Msg> taken = contract::PumpPending(*p);
      ASSERT_LT(taken.size(), 100u) << "the queue never empties";
    }
    Msg m;
    ASSERT_FALSE(p->PeekMessageW(&m, window->hwnd(), kPmNoRemove) && m.message == msg::kPaint)
        << "the window's paint was never validated";
  }

  // A memory surface of the given size and colour, released at the end.
  Hdc Surface(int width, int height, gui::Color colour) {
    const Hdc dc = p->CreateCompatibleDC(desktop);
    const HGdiObj bitmap = p->CreateCompatibleBitmap(desktop, width, height);
    const HGdiObj old = p->SelectObject(dc, bitmap);
    EXPECT_NE(old, 0u);
    surfaces.push_back({dc, bitmap, old});
    // A colour from a wide pen's dot that covers it all.
    const HGdiObj pen = p->CreatePen(kPsSolid, 2 * (width + height), colour);
    const HGdiObj oldPen = p->SelectObject(dc, pen);
    p->MoveToEx(dc, width / 2, height / 2, nullptr);
    p->LineTo(dc, width / 2 + 1, height / 2);
    p->SelectObject(dc, oldPen);
    EXPECT_TRUE(p->DeleteObject(pen));
    return dc;
  }

  gui::Bitmap Screen() {
    gui::Bitmap screen;
    EXPECT_TRUE(p->CaptureWindowPixels(p->GetDesktopWindow(), screen));
    return screen;
  }

  std::unique_ptr<Platform> p;
  WindowParams params;
  std::unique_ptr<contract::LoggingWindow> window;
  Hdc desktop = 0;
  struct Held {
    Hdc dc;
    HGdiObj bitmap, old;
  };
  std::vector<Held> surfaces;
};

TEST_F(ScreenContract, SurfaceReachesAVisibleWindowAndTheDesktopGrabSeesIt) {
  const Hdc surface = Surface(200, 150, kBlackPixel);
  // Black everywhere, then a green dot of 20 pixels at (100, 75).
  const HGdiObj pen = p->CreatePen(kPsSolid, 20, kGreenPixel);
  const HGdiObj oldPen = p->SelectObject(surface, pen);
  p->MoveToEx(surface, 100, 75, nullptr);
  p->LineTo(surface, 101, 76);

  const Hdc wdc = p->GetWindowDC(window->hwnd());
  ASSERT_NE(wdc, 0u);
  ASSERT_TRUE(p->BitBlt(wdc, 0, 0, 200, 150, surface, 0, 0, kSrcCopy));

  gui::Bitmap shown;
  ASSERT_TRUE(p->CaptureWindowPixels(window->hwnd(), shown));
  ASSERT_EQ(shown.Width(), 200);
  EXPECT_EQ(shown.Pixel(100, 75), kGreenPixel);
  EXPECT_EQ(shown.Pixel(5, 5), kBlackPixel);
  EXPECT_EQ(shown.Pixel(100, 100), kBlackPixel) << "the dot ends within its radius";
  EXPECT_EQ(shown.Pixel(100 + 9, 75 + 9), kBlackPixel) << "round: the square's corner stays black";

  Settle();
  const gui::Bitmap screen = Screen();
  EXPECT_EQ(screen.Width(), p->GetSystemMetrics(kSmCxScreen));
  EXPECT_EQ(screen.Pixel(params.left + 100, params.top + 75), kGreenPixel);

  EXPECT_EQ(p->ReleaseDC(window->hwnd(), wdc), 1);
  p->SelectObject(surface, oldPen);
  EXPECT_TRUE(p->DeleteObject(pen));
}

TEST_F(ScreenContract, AWideLineOnTheWindowContextShowsOnTheScreen) {
  const Hdc wdc = p->GetWindowDC(window->hwnd());
  ASSERT_NE(wdc, 0u);
  ASSERT_TRUE(p->BitBlt(wdc, 0, 0, 200, 150, Surface(200, 150, kBlackPixel), 0, 0, kSrcCopy));
  const HGdiObj pen = p->CreatePen(kPsSolid, 20, kGreenPixel);
  const HGdiObj oldPen = p->SelectObject(wdc, pen);
  p->MoveToEx(wdc, 40, 75, nullptr);
  ASSERT_TRUE(p->LineTo(wdc, 160, 75));
  Settle();

  const gui::Bitmap screen = Screen();
  const int x = params.left, y = params.top;
  EXPECT_EQ(screen.Pixel(x + 100, y + 75), kGreenPixel);
  EXPECT_EQ(screen.Pixel(x + 100, y + 66), kGreenPixel) << "half the width above the middle";
  EXPECT_EQ(screen.Pixel(x + 100, y + 86), kBlackPixel) << "and no further";
  EXPECT_EQ(screen.Pixel(x + 31, y + 75), kGreenPixel) << "a round end reaches past the point";
  EXPECT_EQ(screen.Pixel(x + 29, y + 75), kBlackPixel);
  EXPECT_EQ(screen.Pixel(x + 32, y + 67), kBlackPixel) << "round, not square";

  p->SelectObject(wdc, oldPen);
  EXPECT_TRUE(p->DeleteObject(pen));
  EXPECT_EQ(p->ReleaseDC(window->hwnd(), wdc), 1);
}

TEST_F(ScreenContract, ATransferToPartOfTheWindowLandsExactlyAndLeavesTheRest) {
  const Hdc wdc = p->GetWindowDC(window->hwnd());
  ASSERT_NE(wdc, 0u);
  ASSERT_TRUE(p->BitBlt(wdc, 0, 0, 200, 150, Surface(200, 150, kBlackPixel), 0, 0, kSrcCopy));
  Settle();
  // A part away from every edge of the window: a row or a column of the
  // wrong origin shows at once.
  ASSERT_TRUE(p->BitBlt(wdc, 50, 40, 30, 20, Surface(30, 20, kRedPixel), 0, 0, kSrcCopy));
  Settle();

  const gui::Bitmap screen = Screen();
  const int x = params.left, y = params.top;
  EXPECT_EQ(screen.Pixel(x + 50, y + 40), kRedPixel);
  EXPECT_EQ(screen.Pixel(x + 79, y + 40), kRedPixel);
  EXPECT_EQ(screen.Pixel(x + 50, y + 59), kRedPixel);
  EXPECT_EQ(screen.Pixel(x + 79, y + 59), kRedPixel);
  EXPECT_EQ(screen.Pixel(x + 49, y + 40), kBlackPixel);
  EXPECT_EQ(screen.Pixel(x + 80, y + 40), kBlackPixel);
  EXPECT_EQ(screen.Pixel(x + 50, y + 39), kBlackPixel);
  EXPECT_EQ(screen.Pixel(x + 50, y + 60), kBlackPixel);
  EXPECT_EQ(screen.Pixel(x + 150, y + 120), kBlackPixel);
  EXPECT_EQ(p->ReleaseDC(window->hwnd(), wdc), 1);
}

TEST_F(ScreenContract, AGrabCoveringASurfaceOfItsSizeReplacesEveryPixelItHeld) {
  const Hdc wdc = p->GetWindowDC(window->hwnd());
  ASSERT_NE(wdc, 0u);
  ASSERT_TRUE(p->BitBlt(wdc, 0, 0, 200, 150, Surface(200, 150, kBlackPixel), 0, 0, kSrcCopy));
  ASSERT_TRUE(p->BitBlt(wdc, 50, 40, 30, 20, Surface(30, 20, kRedPixel), 0, 0, kSrcCopy));
  Settle();

  // The capture's way: the window's place on the screen into a surface
  // that held other pixels.
  const Hdc grab = Surface(200, 150, kYellowPixel);
  ASSERT_TRUE(p->BitBlt(grab, 0, 0, 200, 150, desktop, params.left, params.top, kSrcCopy));
  const gui::Bitmap* got = p->MemoryDcPixels(grab);
  ASSERT_NE(got, nullptr);
  ASSERT_EQ(got->Bounds(), (gui::IRect{0, 0, 200, 150}));
  EXPECT_EQ(got->Pixel(0, 0), kBlackPixel);
  EXPECT_EQ(got->Pixel(199, 149), kBlackPixel);
  EXPECT_EQ(got->Pixel(50, 40), kRedPixel);
  EXPECT_EQ(got->Pixel(79, 59), kRedPixel);
  EXPECT_EQ(got->Pixel(80, 60), kBlackPixel);
  EXPECT_EQ(p->ReleaseDC(window->hwnd(), wdc), 1);
}

TEST_F(ScreenContract, AHiddenWindowPutsNothingOnTheScreen) {
  WindowParams hiddenParams = contract::Popup("Hidden");
  hiddenParams.left = 420;
  hiddenParams.top = 300;
  hiddenParams.topmost = true;
  auto hidden = MakeWindow(hiddenParams);
  const Hdc wdc = p->GetWindowDC(hidden->hwnd());
  ASSERT_NE(wdc, 0u);
  ASSERT_TRUE(p->BitBlt(wdc, 0, 0, 200, 150, Surface(200, 150, kYellowPixel), 0, 0, kSrcCopy));
  Settle();
  EXPECT_NE(Screen().Pixel(420 + 100, 300 + 75), kYellowPixel);
  EXPECT_EQ(p->ReleaseDC(hidden->hwnd(), wdc), 1);
}

}  // namespace
