// The raster's block copy: whole rows of bitmaps of one width go as one
// block, everything else row by row; both give what a pixel-by-pixel copy
// with the same clipping gives.
#include <gtest/gtest.h>

#include "raster/Bitmap.h"

namespace {

using gui::Bitmap;
using gui::IRect;

Bitmap Numbered(int w, int h, unsigned seed) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, (seed * 7919u + y * 131u + x) & 0xFFFFFF);
  return b;
}

// The copy as the system's transfer defines it: each source pixel inside
// both bitmaps lands at its place, the rest stays.
Bitmap Expected(Bitmap dst, int x, int y, const Bitmap& src, const IRect& r) {
  for (int sy = r.top; sy < r.bottom; ++sy)
    for (int sx = r.left; sx < r.right; ++sx) {
      if (sx < 0 || sy < 0 || sx >= src.Width() || sy >= src.Height()) continue;
      dst.SetPixel(x + sx - r.left, y + sy - r.top, src.Pixel(sx, sy));
    }
  return dst;
}

TEST(RasterBlitTest, WholeRowsAndPartsGiveThePixelCopy) {
  const Bitmap src = Numbered(40, 30, 1);
  struct Case {
    const char* what;
    int dstWidth, x, y;
    IRect from;
  };
  const Case cases[] = {
      {"the whole picture", 40, 0, 0, {0, 0, 40, 30}},
      {"whole rows into other rows", 40, 0, 7, {0, 3, 40, 12}},
      {"whole rows cut at the bottom", 40, 0, 25, {0, 0, 40, 30}},
      {"whole rows from above the source", 40, 0, 0, {0, -5, 40, 8}},
      {"whole rows placed above the target", 40, 0, -4, {0, 2, 40, 20}},
      {"rows wider than the source", 40, 0, 0, {-3, 0, 43, 10}},
      {"whole rows moved sideways", 40, 5, 0, {0, 0, 40, 10}},
      {"a part of the rows", 40, 10, 4, {6, 2, 26, 18}},
      {"into a wider target", 50, 0, 2, {0, 0, 40, 30}},
      {"into a narrower target", 30, 0, 2, {0, 0, 40, 30}},
      {"nothing left after clipping", 40, 0, 40, {0, 0, 40, 30}},
  };
  for (const Case& c : cases) {
    Bitmap dst = Numbered(c.dstWidth, 30, 2);
    const Bitmap want = Expected(dst, c.x, c.y, src, c.from);
    gui::raster::Blit(dst, c.x, c.y, src, c.from);
    EXPECT_EQ(dst, want) << c.what;
  }
}

}  // namespace
