// The screen group's drawing on a small simulated screen: capture, block
// transfers with the two raster operations the tools use, enlargements,
// thin and wide pens, and the monochrome rules of compatible bitmaps.
#include <gtest/gtest.h>

#include <memory>

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
    p->ShowWindow(w, kSwShowNoActivate);  // a hidden window shows nothing
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
  EXPECT_TRUE(p->DeleteObject(brush)) << "accepted while selected; it goes when selected out";
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
  EXPECT_EQ(p->ReleaseDC(p->GetDesktopWindow(), mono), 0) << "a memory context is deleted";
  EXPECT_EQ(p->ReleaseDC(p->GetDesktopWindow(), desktop), 1);
}

// An own window of the fixture's process at the top-left corner.
struct OwnWindow {
  OwnWindow(memory::SimProcess& p, bool visible) : p_(p) {
    WindowParams params;
    params.className = "Own";
    params.width = 64;
    params.height = 48;
    hwnd = p.CreateWindowExA(params, nullptr);
    if (visible) p.ShowWindow(hwnd, kSwShowNoActivate);
    dc = p.GetWindowDC(hwnd);
  }
  ~OwnWindow() {
    p_.ReleaseDC(hwnd, dc);
    p_.DestroyWindow(hwnd);
  }
  memory::SimProcess& p_;
  Hwnd hwnd = 0;
  Hdc dc = 0;
};

TEST_F(SoftGdiTest, AWindowContextDrawsOnTheProgramsPixelsAndPresentsOnlyWhatChanged) {
  OwnWindow w(*p, true);
  Hdc grab = Grab();
  ASSERT_TRUE(p->BitBlt(w.dc, 0, 0, 64, 48, grab, 0, 0, kSrcCopy));
  EXPECT_EQ(sys.Window(w.hwnd)->frame, Contents(grab)) << "a whole transfer is presented whole";

  // The system's copy goes its own way (as when another window covers this
  // one): a later line must put only its own pixels there ...
  sys.Window(w.hwnd)->frame.Fill(gui::kBlack);
  p->SelectObject(w.dc, p->CreatePen(kPsSolid, 1, gui::kRed));
  p->MoveToEx(w.dc, 5, 5, nullptr);
  ASSERT_TRUE(p->LineTo(w.dc, 10, 5));
  const gui::Bitmap& shown = sys.Window(w.hwnd)->frame;
  EXPECT_EQ(shown.Pixel(5, 5), gui::kRed);
  EXPECT_EQ(shown.Pixel(9, 5), gui::kRed);
  EXPECT_EQ(shown.Pixel(11, 5), gui::kBlack) << "outside the line's rectangle";
  EXPECT_EQ(shown.Pixel(5, 6), gui::kBlack);

  // ... and reading the window back gives the program's pixels, never what
  // the system shows.
  Hdc back = p->CreateCompatibleDC(desktop);
  p->SelectObject(back, p->CreateCompatibleBitmap(desktop, 64, 48));
  ASSERT_TRUE(p->BitBlt(back, 0, 0, 64, 48, w.dc, 0, 0, kSrcCopy));
  const gui::Bitmap read = Contents(back);
  EXPECT_EQ(read.Pixel(5, 5), gui::kRed);
  EXPECT_EQ(read.Pixel(11, 5), sys.Wallpaper().Pixel(11, 5));
  EXPECT_EQ(read.Pixel(40, 40), sys.Wallpaper().Pixel(40, 40));
}

TEST_F(SoftGdiTest, AWidePenPresentsItsWholeDotAndATransferItsClippedRectangle) {
  Hdc grab = Grab();
  OwnWindow w(*p, true);
  sys.Window(w.hwnd)->frame = gui::Bitmap(64, 48, gui::kBlack);
  p->SelectObject(w.dc, p->CreatePen(kPsSolid, 10, gui::kGreen));
  p->MoveToEx(w.dc, 60, 20, nullptr);
  ASSERT_TRUE(p->LineTo(w.dc, 61, 21));
  const gui::Bitmap& shown = sys.Window(w.hwnd)->frame;
  EXPECT_EQ(shown.Pixel(56, 20), gui::kGreen) << "the dot's left end";
  EXPECT_EQ(shown.Pixel(63, 20), gui::kGreen) << "cut at the window's edge";
  EXPECT_EQ(shown.Pixel(61, 25), gui::kGreen) << "the dot's bottom row";

  // A lens pushed past the bottom right corner: what is inside lands.
  ASSERT_TRUE(p->StretchBlt(w.dc, 50, 40, 40, 40, grab, 0, 0, 20, 20, kSrcCopy));
  EXPECT_EQ(shown.Pixel(50, 40), sys.Wallpaper().Pixel(0, 0));
  EXPECT_EQ(shown.Pixel(63, 47), sys.Wallpaper().Pixel(6, 3));
  EXPECT_EQ(shown.Pixel(49, 40), gui::kBlack);
}

TEST_F(SoftGdiTest, AHiddenWindowKeepsItsPixelsOffTheScreen) {
  OwnWindow w(*p, false);
  const gui::Bitmap before = sys.Screen();
  Hdc dc = p->CreateCompatibleDC(desktop);
  p->SelectObject(dc, p->CreateCompatibleBitmap(desktop, 64, 48));  // black
  ASSERT_TRUE(p->BitBlt(w.dc, 0, 0, 64, 48, dc, 0, 0, kSrcCopy));
  EXPECT_EQ(sys.Screen(), before);
  EXPECT_TRUE(sys.Window(w.hwnd)->frame.Empty()) << "nothing presented";
}

TEST_F(SoftGdiTest, AContextOfAWindowThatWentDrawsNothing) {
  auto w = std::make_unique<OwnWindow>(*p, true);
  const Hwnd gone = w->hwnd;
  const Hdc dc = p->GetWindowDC(gone);
  w.reset();
  EXPECT_FALSE(p->BitBlt(dc, 0, 0, 64, 48, Grab(), 0, 0, kSrcCopy));
  EXPECT_EQ(p->GetWindowDC(gone), 0u);
  EXPECT_EQ(p->ReleaseDC(gone, dc), 1);
}

TEST_F(SoftGdiTest, CountsComeBackAfterTheOverlaysShowAndClose) {
  const int dcs = p->DcCount(), objects = p->GdiObjectCount();
  OwnWindow overlay(*p, true);
  // What a show in the spot light mode makes: the grab and two work
  // surfaces, the dimming pattern, its brush in the first work surface.
  const Hdc screen = p->GetWindowDC(p->GetDesktopWindow());
  Hdc surface[3];
  HGdiObj bitmap[3], old[3];
  for (int i = 0; i < 3; ++i) {
    surface[i] = p->CreateCompatibleDC(screen);
    bitmap[i] = p->CreateCompatibleBitmap(screen, 64, 48);
    old[i] = p->SelectObject(surface[i], bitmap[i]);
  }
  const std::uint8_t dim[16] = {0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0,
                                0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0};
  const HGdiObj pattern = p->CreateBitmap(8, 8, 1, 1, dim);
  const HGdiObj brush = p->CreatePatternBrush(pattern);
  p->SelectObject(surface[1], brush);
  EXPECT_EQ(p->DcCount(), dcs + 5);
  EXPECT_EQ(p->GdiObjectCount(), objects + 5);

  // The close: contexts first, then their bitmaps, then the dimming.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(p->DeleteDC(surface[i]));
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(p->DeleteObject(bitmap[i]));
  EXPECT_TRUE(p->DeleteObject(brush));
  EXPECT_TRUE(p->DeleteObject(pattern));
  EXPECT_EQ(p->ReleaseDC(p->GetDesktopWindow(), screen), 1);
  EXPECT_EQ(p->DcCount(), dcs + 1) << "only the overlay's own window context";
  EXPECT_EQ(p->GdiObjectCount(), objects);
  EXPECT_TRUE(p->DeleteObject(old[0])) << "the stock bitmap stays, whatever is asked";
  EXPECT_EQ(p->GdiObjectCount(), objects);
}

TEST_F(SoftGdiTest, ADeletedObjectLivesUntilNoContextHoldsItAndUnknownHandlesFail) {
  const int objects = p->GdiObjectCount();
  Hdc dc = p->CreateCompatibleDC(desktop);
  const HGdiObj pen = p->CreatePen(kPsSolid, 3, gui::kRed);
  const HGdiObj stockPen = p->SelectObject(dc, pen);
  EXPECT_TRUE(p->DeleteObject(pen)) << "the system accepts it and waits";
  EXPECT_EQ(p->GdiObjectCount(), objects + 1);
  EXPECT_EQ(p->SelectObject(dc, stockPen), pen);
  EXPECT_EQ(p->GdiObjectCount(), objects) << "gone once selected out";
  EXPECT_FALSE(p->DeleteObject(pen)) << "a second time it names nothing";

  const HGdiObj bitmap = p->CreateCompatibleBitmap(desktop, 4, 4);
  p->SelectObject(dc, bitmap);
  EXPECT_TRUE(p->DeleteObject(bitmap));
  EXPECT_EQ(p->GdiObjectCount(), objects + 1);
  EXPECT_TRUE(p->DeleteDC(dc));
  EXPECT_EQ(p->GdiObjectCount(), objects) << "gone with its context";

  EXPECT_FALSE(p->DeleteObject(0));
  EXPECT_FALSE(p->DeleteObject(0x12345));
  EXPECT_FALSE(p->DeleteDC(dc)) << "deleted already";
  EXPECT_EQ(p->GdiObjectCount(), objects);
}

TEST_F(SoftGdiTest, ABitmapGoesIntoOneMemoryContextAtATime) {
  Hdc a = p->CreateCompatibleDC(desktop), b = p->CreateCompatibleDC(desktop);
  const HGdiObj bitmap = p->CreateCompatibleBitmap(desktop, 4, 4);
  const HGdiObj stock = p->SelectObject(a, bitmap);
  ASSERT_NE(stock, 0u);
  EXPECT_EQ(p->SelectObject(b, bitmap), 0u);
  EXPECT_EQ(p->SelectObject(desktop, bitmap), 0u) << "a window context has no bitmap to swap";
  EXPECT_EQ(p->SelectObject(a, stock), bitmap);
  EXPECT_EQ(p->SelectObject(b, bitmap), stock) << "free again";
  EXPECT_TRUE(p->DeleteDC(a));
  EXPECT_TRUE(p->DeleteDC(b));
  EXPECT_TRUE(p->DeleteObject(bitmap));
}

}  // namespace

// Every scaled copy against the plain rule, one destination pixel at a time:
// destination pixel (tx, ty) of the box shows source pixel
// (srcX + (tx - x) * srcWidth / width, srcY + (ty - y) * srcHeight / height),
// and a pixel whose source falls outside the source, or that falls outside the
// destination, stays as it was.
TEST_F(SoftGdiTest, ScaledCopiesMatchThePixelByPixelRuleForOddSizesOffsetsAndClipping) {
  struct Case {
    int x, y, w, h, sx, sy, sw, sh;
  };
  const Case cases[] = {
      {0, 0, 64, 48, 0, 0, 32, 24},      // twice, whole
      {0, 0, 64, 48, 5, 3, 21, 16},      // three times, odd area
      {-7, -5, 61, 47, 11, 9, 7, 5},     // uneven factors, box off the top left
      {3, 2, 70, 50, 40, 30, 13, 11},    // past the right and bottom edges
      {1, 1, 23, 19, 60, 44, 9, 8},      // source partly past its edges
      {2, 3, 29, 17, -4, -3, 10, 6},     // source partly before its edges
      {0, 0, 64, 48, 63, 47, 1, 1},      // one pixel over everything
      {4, 4, 12, 40, 0, 0, 12, 7},       // same width, taller
      {5, 6, 17, 9, 2, 1, 51, 37},       // smaller
      {0, 0, 64, 48, 100, 100, 10, 10},  // nothing of the source
      {-3, 1, 64, 48, 10, 5, 16, 12},    // four times, cut on the left
      {1, 0, 64, 48, -5, 0, 32, 24},     // twice, source before its left edge
  };
  const gui::Bitmap sourcePixels = sys.Screen();
  const Hdc source = Grab();
  // What the destination holds first, unlike the source anywhere.
  gui::Bitmap other(64, 48, gui::Rgb(1, 2, 3));
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      if ((x + y) % 3) other.SetPixel(x, y, gui::Rgb(x, y, 7));
  sys.Wallpaper() = other;
  const Hdc background = Grab();
  for (const Case& c : cases) {
    for (const bool self : {false, true}) {
      SCOPED_TRACE(testing::Message()
                   << "box " << c.x << "," << c.y << " " << c.w << "x" << c.h << " from " << c.sx
                   << "," << c.sy << " " << c.sw << "x" << c.sh << (self ? " onto itself" : ""));
      Hdc dst = p->CreateCompatibleDC(desktop);
      const HGdiObj bitmap = p->CreateCompatibleBitmap(desktop, 64, 48);
      const HGdiObj stock = p->SelectObject(dst, bitmap);
      ASSERT_TRUE(p->BitBlt(dst, 0, 0, 64, 48, self ? source : background, 0, 0, kSrcCopy));
      const gui::Bitmap& before = self ? sourcePixels : other;
      ASSERT_TRUE(p->StretchBlt(dst, c.x, c.y, c.w, c.h, self ? dst : source, c.sx, c.sy, c.sw,
                                c.sh, kSrcCopy));
      gui::Bitmap expected = before;
      for (int ty = std::max(c.y, 0); ty < std::min(c.y + c.h, 48); ++ty)
        for (int tx = std::max(c.x, 0); tx < std::min(c.x + c.w, 64); ++tx) {
          const int sx = c.sx + (tx - c.x) * c.sw / c.w, sy = c.sy + (ty - c.y) * c.sh / c.h;
          if (sx >= 0 && sx < 64 && sy >= 0 && sy < 48)
            expected.SetPixel(tx, ty, sourcePixels.Pixel(sx, sy));
        }
      gui::Bitmap got;
      ASSERT_TRUE(p->GetDIBits(dst, bitmap, got));
      EXPECT_EQ(got, expected);
      p->SelectObject(dst, stock);
      p->DeleteDC(dst);
      p->DeleteObject(bitmap);
    }
  }
}
