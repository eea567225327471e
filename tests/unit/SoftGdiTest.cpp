// The screen group's drawing on a small simulated screen: capture, block
// transfers with the two raster operations the tools use, enlargements,
// thin and wide pens, and the monochrome rules of compatible bitmaps.
#include <gtest/gtest.h>

#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace {

using namespace platform;

class SoftGdiTest : public ::testing::Test {
 protected:
  SoftGdiTest() : sys(64, 48), p(sys.StartProcess()) {
    // A screen where every pixel tells where it is.
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) sys.Wallpaper().SetPixel(x, y, gui::Rgb(x * 4, y * 5, 200));
    desktop = p->GetWindowDC(p->GetDesktopWindow());
  }
  // A memory surface holding a grab of the whole screen.
  Hdc Grab() {
    Hdc dc = p->CreateCompatibleDC(desktop);
    p->SelectObject(dc, p->CreateCompatibleBitmap(desktop, 64, 48));
    EXPECT_TRUE(p->BitBlt(dc, 0, 0, 64, 48, desktop, 0, 0, kSrcCopy));
    return dc;
  }
  // What a memory surface holds, seen by copying it onto a window.
  gui::Bitmap Contents(Hdc dc) {
    WindowParams params;
    params.className = "Probe";
    params.width = 64;
    params.height = 48;
    const Hwnd w = p->CreateWindowExA(params, nullptr);
    Hdc wdc = p->GetWindowDC(w);
    p->BitBlt(wdc, 0, 0, 64, 48, dc, 0, 0, kSrcCopy);
    gui::Bitmap out;
    p->CaptureWindowPixels(w, out);
    p->ReleaseDC(w, wdc);
    p->DestroyWindow(w);
    return out;
  }

  memory::SimSystem sys;
  std::unique_ptr<memory::SimProcess> p;
  Hdc desktop = 0;
};

TEST_F(SoftGdiTest, GrabOfTheDesktopIsTheScreenPixelForPixel) {
  EXPECT_EQ(Contents(Grab()), sys.Screen());
}

TEST_F(SoftGdiTest, MergeCopyWithTheCheckerboardBlackensEveryOtherPixel) {
  const std::uint8_t dim[16] = {0x55, 0, 0x00, 0, 0xAA, 0, 0x00, 0,
                                0x55, 0, 0x00, 0, 0xAA, 0, 0x00, 0};
  Hdc dc = Grab();
  const HGdiObj pattern = p->CreateBitmap(8, 8, 1, 1, dim);
  const HGdiObj brush = p->CreatePatternBrush(pattern);
  p->SelectObject(dc, brush);
  ASSERT_TRUE(p->BitBlt(dc, 0, 0, 64, 48, dc, 0, 0, kMergeCopy));
  const gui::Bitmap out = Contents(dc);
  const gui::Bitmap screen = sys.Screen();
  EXPECT_EQ(out.Pixel(0, 0), gui::kBlack) << "bit 0 of 0x55, the high bit, is clear";
  EXPECT_EQ(out.Pixel(1, 0), screen.Pixel(1, 0));
  EXPECT_EQ(out.Pixel(1, 1), gui::kBlack) << "an all-clear row";
  EXPECT_EQ(out.Pixel(0, 2), screen.Pixel(0, 2));
  EXPECT_EQ(out.Pixel(9, 8), screen.Pixel(9, 8)) << "the pattern repeats every 8 pixels";
  EXPECT_FALSE(p->DeleteObject(brush)) << "still selected";
}

TEST_F(SoftGdiTest, StretchEnlargesWholePixelsAndClipsAtTheEdges) {
  Hdc src = Grab();
  Hdc dst = p->CreateCompatibleDC(desktop);
  p->SelectObject(dst, p->CreateCompatibleBitmap(desktop, 64, 48));
  ASSERT_TRUE(p->StretchBlt(dst, 0, 0, 64, 48, src, 32, 24, 32, 24, kSrcCopy));
  const gui::Bitmap out = Contents(dst);
  const gui::Bitmap screen = sys.Screen();
  EXPECT_EQ(out.Pixel(0, 0), screen.Pixel(32, 24));
  EXPECT_EQ(out.Pixel(1, 1), screen.Pixel(32, 24));
  EXPECT_EQ(out.Pixel(2, 3), screen.Pixel(33, 25));
  EXPECT_EQ(out.Pixel(63, 47), screen.Pixel(63, 47));

  // A lens pushed above the top edge: the part off the bitmap is cut.
  ASSERT_TRUE(p->StretchBlt(dst, 10, -20, 40, 40, src, 0, 0, 20, 20, kSrcCopy));
  EXPECT_EQ(Contents(dst).Pixel(10, 0), screen.Pixel(0, 10));
}

TEST_F(SoftGdiTest, ThinPenLeavesTheEndOutAndAWidePenMakesARoundDot) {
  Hdc dc = Grab();
  p->SelectObject(dc, p->CreatePen(kPsSolid, 1, gui::kRed));
  p->MoveToEx(dc, 5, 5, nullptr);
  p->LineTo(dc, 10, 5);
  gui::Bitmap out = Contents(dc);
  EXPECT_EQ(out.Pixel(5, 5), gui::kRed);
  EXPECT_EQ(out.Pixel(9, 5), gui::kRed);
  EXPECT_NE(out.Pixel(10, 5), gui::kRed);

  p->SelectObject(dc, p->CreatePen(kPsSolid, 10, gui::kGreen));
  p->MoveToEx(dc, 30, 20, nullptr);
  p->LineTo(dc, 31, 21);
  out = Contents(dc);
  int across = 0;
  for (int x = 0; x < 64; ++x) across += out.Pixel(x, 20) == gui::kGreen;
  EXPECT_EQ(across, 10) << "a 10-pixel dot";
  EXPECT_EQ(out.Pixel(26, 20), gui::kGreen);
  EXPECT_NE(out.Pixel(25, 20), gui::kGreen);
  EXPECT_NE(out.Pixel(26, 15), gui::kGreen) << "round, not square";
}

TEST_F(SoftGdiTest, BitmapCompatibleWithAFreshMemoryContextIsMonochrome) {
  Hdc fresh = p->CreateCompatibleDC(desktop);
  Hdc mono = p->CreateCompatibleDC(desktop);
  p->SelectObject(mono, p->CreateCompatibleBitmap(fresh, 64, 48));
  ASSERT_TRUE(p->BitBlt(mono, 0, 0, 64, 48, desktop, 0, 0, kSrcCopy));
  const gui::Bitmap out = Contents(mono);
  for (int x = 0; x < 64; ++x)
    EXPECT_TRUE(out.Pixel(x, 7) == gui::kBlack || out.Pixel(x, 7) == gui::kWhite);
  EXPECT_TRUE(p->DeleteDC(fresh));
  EXPECT_FALSE(p->DeleteDC(desktop)) << "a window context is released, not deleted";
  EXPECT_EQ(p->ReleaseDC(p->GetDesktopWindow(), desktop), 1);
}

}  // namespace
