#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "resources/artwork/Artwork.h"
#include "resources/artwork/DialogArt.h"
#include "resources/artwork/ImageFiles.h"
#include "resources/artwork/MarkStamps.h"
#include "resources/artwork/Painter.h"

namespace {

using artwork::Brush;
using artwork::Painter;
using artwork::Point;
using artwork::Rect;

std::size_t DistinctColours(const gui::Bitmap& b) {
  std::set<gui::Color> colours;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) colours.insert(b.Pixel(x, y));
  return colours.size();
}

bool Near(gui::Color a, gui::Color b, int tolerance) {
  return std::abs(int(gui::RedOf(a)) - int(gui::RedOf(b))) <= tolerance &&
         std::abs(int(gui::GreenOf(a)) - int(gui::GreenOf(b))) <= tolerance &&
         std::abs(int(gui::BlueOf(a)) - int(gui::BlueOf(b))) <= tolerance;
}

bool Dark(gui::Color c) { return gui::RedOf(c) + gui::GreenOf(c) + gui::BlueOf(c) < 3 * 100; }

// --- The painter -----------------------------------------------------------

TEST(Painter, ShapesOnWholeCoordinatesAreCrispAndHalfPixelEdgesBlendHalfway) {
  gui::Bitmap b(8, 4, gui::kWhite);
  Painter p(b);
  p.FillRect({1, 1, 3.5, 3}, gui::kBlack);
  EXPECT_EQ(b.Pixel(0, 1), gui::kWhite);
  EXPECT_EQ(b.Pixel(1, 1), gui::kBlack);
  EXPECT_EQ(b.Pixel(2, 2), gui::kBlack);
  EXPECT_EQ(b.Pixel(3, 1), gui::Rgb(128, 128, 128));
  EXPECT_EQ(b.Pixel(4, 1), gui::kWhite);
  EXPECT_EQ(b.Pixel(1, 3), gui::kWhite);
}

TEST(Painter, CircleCoverageAddsUpToItsArea) {
  gui::Bitmap b(40, 40, gui::kBlack);
  Painter p(b);
  p.FillCircle({20.3, 19.6}, 11.5, gui::kWhite);
  double covered = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) covered += gui::RedOf(b.Pixel(x, y)) / 255.0;
  EXPECT_NEAR(covered, artwork::kPi * 11.5 * 11.5, 1.5);
  EXPECT_EQ(b.Pixel(20, 20), gui::kWhite);
  EXPECT_EQ(b.Pixel(2, 2), gui::kBlack);
}

TEST(Painter, PolylineJoinsAreNotPaintedTwice) {
  // A translucent stroke would come out darker where segments overlap if each
  // segment were blended separately.
  gui::Bitmap b(30, 30, gui::kWhite);
  Painter p(b);
  const Point corner[] = {{5, 5}, {20, 5}, {20, 20}};
  p.StrokePolyline(corner, 4, Brush(gui::kBlack, 128));
  EXPECT_EQ(b.Pixel(20, 5), b.Pixel(12, 5));
  EXPECT_EQ(b.Pixel(12, 5), gui::Rgb(127, 127, 127));
}

TEST(Painter, PolygonFillDoesNotDependOnWindingDirection) {
  gui::Bitmap cw(20, 20), ccw(20, 20);
  const Point tri[] = {{2, 3}, {17, 6}, {6, 18}};
  const Point rev[] = {{6, 18}, {17, 6}, {2, 3}};
  Painter(cw).FillPolygon(tri, gui::kBlue);
  Painter(ccw).FillPolygon(rev, gui::kBlue);
  EXPECT_EQ(cw, ccw);
  EXPECT_EQ(cw.Pixel(8, 9), gui::kBlue);
}

TEST(Painter, TransformAndClipApplyToEveryShape) {
  gui::Bitmap b(20, 20, gui::kWhite);
  Painter p(b);
  p.SetTransform(2, {1, 1});
  p.SetClip({0, 0, 20, 6});
  p.FillRect({0, 0, 4, 4}, gui::kRed);  // pixels 1..9, clipped at row 6
  EXPECT_EQ(b.Pixel(1, 1), gui::kRed);
  EXPECT_EQ(b.Pixel(8, 5), gui::kRed);
  EXPECT_EQ(b.Pixel(9, 1), gui::kWhite);
  EXPECT_EQ(b.Pixel(8, 6), gui::kWhite);
  EXPECT_EQ(b.Pixel(0, 0), gui::kWhite);
}

TEST(Painter, OpacityPlaneKeepsEdgeColourAndTakesPartialOpacity) {
  gui::Bitmap b(4, 1, gui::kBlack);
  std::vector<std::uint8_t> alpha;
  Painter p(b, &alpha);
  ASSERT_EQ(alpha.size(), 4u);
  p.FillRect({0, 0, 1.5, 1}, gui::kRed);
  EXPECT_EQ(alpha[0], 255);
  EXPECT_EQ(alpha[1], 128);
  EXPECT_EQ(b.Pixel(1, 0), gui::kRed);  // not darkened by the transparent black under it
  EXPECT_EQ(alpha[2], 0);
  // Over an opaque pixel the colours mix and the pixel stays opaque.
  p.FillRect({0, 0, 1, 1}, Brush(gui::kBlue, 128));
  EXPECT_EQ(alpha[0], 255);
  EXPECT_TRUE(Near(b.Pixel(0, 0), gui::Rgb(127, 0, 128), 1));
}

TEST(Painter, RoundingLargerThanTheRectangleGivesRoundEndsNotGarbage) {
  gui::Bitmap b(12, 8, gui::kWhite);
  Painter p(b);
  p.FillRoundRect({1, 1, 11, 7}, 100, gui::kBlack);
  EXPECT_EQ(b.Pixel(6, 4), gui::kBlack);
  EXPECT_GT(gui::RedOf(b.Pixel(1, 1)), 230u);  // the corners are cut off...
  EXPECT_GT(gui::RedOf(b.Pixel(10, 6)), 230u);
  EXPECT_LT(gui::RedOf(b.Pixel(1, 4)), 40u);  // ...by half circles that reach the sides
  EXPECT_LT(gui::RedOf(b.Pixel(10, 3)), 40u);
}

TEST(Painter, LimitColoursKeepsTheCommonColoursAndMapsRareOnesToTheNearest) {
  gui::Bitmap b(10, 1, gui::kWhite);
  for (int x = 5; x < 9; ++x) b.SetPixel(x, 0, gui::kBlue);
  b.SetPixel(9, 0, gui::Rgb(10, 0, 230));  // a rare shade of blue
  artwork::LimitColours(b, 2);
  EXPECT_EQ(b.Pixel(9, 0), gui::kBlue);
  EXPECT_EQ(b.Pixel(0, 0), gui::kWhite);
  EXPECT_EQ(DistinctColours(b), 2u);
}

TEST(Painter, SinAndCosMatchTheLibraryAcrossQuadrants) {
  for (double a = -20; a <= 20; a += 0.37) {
    EXPECT_NEAR(artwork::Sin(a), std::sin(a), 1e-14) << a;
    EXPECT_NEAR(artwork::Cos(a), std::cos(a), 1e-14) << a;
  }
}

// --- The pictures ----------------------------------------------------------

TEST(Artwork, PaletteImagesAreSeventeenDistinctDrawnPictures) {
  const auto images = artwork::PaletteImages();
  ASSERT_EQ(images.size(), 17u);
  for (std::size_t i = 0; i < images.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(images[i].color.Width(), artwork::kImageSize);
    EXPECT_EQ(images[i].color.Height(), artwork::kImageSize);
    EXPECT_GT(DistinctColours(images[i].color), 8u);
    if (i < 15) {
      EXPECT_TRUE(images[i].mask.empty());  // effect icons are opaque squares
    }
    for (std::size_t j = 0; j < i; ++j)
      EXPECT_FALSE(images[i].color == images[j].color && images[i].mask == images[j].mask) << j;
  }
  EXPECT_TRUE(artwork::EffectIcon(15).color.Empty());
  EXPECT_TRUE(artwork::EffectIcon(-1).color.Empty());
}

// The pixels that some icons' pictures imply; the desktop's window is kWindow.
TEST(Artwork, RevealCoversTheLowerPartWithOneSolidBlue) {
  const gui::Bitmap icon = artwork::EffectIcon(1).color;
  const gui::Color blue = icon.Pixel(0, 49);
  EXPECT_GT(gui::BlueOf(blue), 150u);
  EXPECT_LT(gui::RedOf(blue), 60u);
  for (int y = 27; y < 50; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_EQ(icon.Pixel(x, y), blue) << x << "," << y;
  EXPECT_NE(icon.Pixel(20, 15), blue);
}

TEST(Artwork, LineCrossesTheWholeIconBothWays) {
  const gui::Bitmap icon = artwork::EffectIcon(2).color;
  const gui::Color red = icon.Pixel(0, 20);
  EXPECT_GT(gui::RedOf(red), 200u);
  EXPECT_LT(gui::GreenOf(red), 60u);
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(icon.Pixel(i, 21), red) << i;
    EXPECT_EQ(icon.Pixel(30, i), red) << i;
  }
}

TEST(Artwork, SpotLightDimsEverythingButTheLitWindowWithACheckerOfBlack) {
  const gui::Bitmap icon = artwork::EffectIcon(5).color;
  int blackInside = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) {
      const bool lit = x >= 6 && x < 38 && y >= 5 && y < 31;
      if (lit)
        blackInside += icon.Pixel(x, y) == gui::kBlack;
      else if ((x + y) % 2 == 0)
        ASSERT_EQ(icon.Pixel(x, y), gui::kBlack) << x << "," << y;
      else
        ASSERT_NE(icon.Pixel(x, y), gui::kBlack) << x << "," << y;
    }
  EXPECT_EQ(blackInside, 0);
}

TEST(Artwork, ProgramIconHasTransparentCornersAndOpaqueCentreAtEverySize) {
  for (int size : {16, 32, 48, 50}) {
    SCOPED_TRACE(size);
    const gui::MaskedImage icon = artwork::ProgramIcon(size);
    ASSERT_EQ(icon.color.Width(), size);
    ASSERT_EQ(icon.mask.size(), std::size_t(size * size));
    const int e = size - 1;
    for (auto [x, y] : {std::pair{0, 0}, {e, 0}, {0, e}, {e, e}}) {
      EXPECT_TRUE(icon.Transparent(x, y));
      EXPECT_EQ(icon.color.Pixel(x, y), gui::kBlack);  // what an icon's AND mask expects
    }
    EXPECT_FALSE(icon.Transparent(size / 2, size / 2));
    EXPECT_FALSE(icon.Transparent(size / 2, 1));  // the tile reaches the edge mid-side
  }
}

TEST(Artwork, MaskCutsAtHalfOpacity) {
  artwork::AlphaImage img{gui::Bitmap(4, 1, gui::kRed), {0, 127, 128, 255}};
  const gui::MaskedImage m = artwork::ToMasked(img);
  EXPECT_EQ(m.mask, (std::vector<std::uint8_t>{1, 1, 0, 0}));
  EXPECT_EQ(m.color.Pixel(1, 0), gui::kBlack);
  EXPECT_EQ(m.color.Pixel(2, 0), gui::kRed);
}

TEST(Artwork, SmallProgramIconIsTheThirtyTwoPixelDrawingCentred) {
  const auto images = artwork::PaletteImages();
  const gui::MaskedImage& framed = images[artwork::kSmallProgramIconIndex];
  const gui::MaskedImage small = artwork::ProgramIcon(32);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) {
      const bool inside = x >= 9 && x < 41 && y >= 9 && y < 41;
      const bool opaque = inside && !small.Transparent(x - 9, y - 9);
      ASSERT_EQ(framed.Transparent(x, y), !opaque) << x << "," << y;
      if (opaque) {
        ASSERT_EQ(framed.color.Pixel(x, y), small.color.Pixel(x - 9, y - 9));
      }
    }
  EXPECT_EQ(images[artwork::kProgramIconIndex].color, artwork::ProgramIcon(50).color);
}

TEST(Artwork, PaletteBackgroundLayout) {
  const gui::Bitmap bg = artwork::PaletteBackground();
  ASSERT_EQ(bg.Width(), 192);
  ASSERT_EQ(bg.Height(), 262);
  EXPECT_LE(DistinctColours(bg), 256u);  // the window shows it as an 8-bit bitmap

  // The title strip is white between the logo and the close box, and has a logo.
  int white = 0, dark = 0;
  for (int y = 2; y < 31; ++y)
    for (int x = 2; x < 158; ++x) {
      white += Near(bg.Pixel(x, y), gui::kWhite, 8);
      dark += Dark(bg.Pixel(x, y));
    }
  EXPECT_GT(white, 29 * 156 * 2 / 3);
  EXPECT_GT(dark, 200);
  for (int x = 130; x < 158; ++x) EXPECT_TRUE(Near(bg.Pixel(x, 16), gui::kWhite, 8)) << x;

  // The close box: its X crosses at the box's centre, along both diagonals, and
  // the box is light between the arms.
  const int cx = (artwork::kCloseBox.left + artwork::kCloseBox.right) / 2 - 1;
  const int cy = (artwork::kCloseBox.top + artwork::kCloseBox.bottom) / 2;
  for (int d = -5; d <= 5; ++d) {
    EXPECT_TRUE(Dark(bg.Pixel(cx + d, cy + d))) << d;
    EXPECT_TRUE(Dark(bg.Pixel(cx + d, cy - d))) << d;
  }
  EXPECT_FALSE(Dark(bg.Pixel(cx, cy - 6)));
  EXPECT_FALSE(Dark(bg.Pixel(cx - 6, cy)));

  // Each icon site and a margin of two pixels around it lie on the plain orange field.
  const gui::Color orange = bg.Pixel(40, 100);
  EXPECT_GT(gui::RedOf(orange), 200u);
  EXPECT_LT(gui::BlueOf(orange), 80u);
  for (const gui::IRect& site : artwork::kPaletteIconSites)
    for (int y = site.top - 2; y < site.bottom + 2; ++y)
      for (int x = site.left - 2; x < site.right + 2; ++x)
        ASSERT_EQ(bg.Pixel(x, y), orange) << x << "," << y;
  // ...and the field has a border that is not orange.
  EXPECT_NE(bg.Pixel(2, 150), orange);
  EXPECT_NE(bg.Pixel(96, 260), orange);
}

// --- The dialogs' pictures -------------------------------------------------

bool Bluish(gui::Color c) {
  return gui::BlueOf(c) > 180 && gui::RedOf(c) < 80 && gui::GreenOf(c) < 100;
}

TEST(DialogArt, EveryPictureHasItsSizeAndIndicesOutsideTheStylesGiveNone) {
  struct Set {
    gui::Bitmap (*draw)(int);
    int count;
    int size;
  };
  const Set sets[] = {{artwork::MarkStylePicture, 3, 33},
                      {artwork::RevealStylePicture, 4, 49},
                      {artwork::LineStylePicture, 3, 49},
                      {artwork::SpotLightStylePicture, 3, 49}};
  for (const Set& set : sets) {
    for (int k = 0; k < set.count; ++k) {
      const gui::Bitmap b = set.draw(k);
      EXPECT_EQ(b.Width(), set.size) << k;
      EXPECT_EQ(b.Height(), set.size) << k;
      for (int j = 0; j < k; ++j) EXPECT_NE(b, set.draw(j)) << k << " looks like " << j;
    }
    EXPECT_TRUE(set.draw(-1).Empty());
    EXPECT_TRUE(set.draw(set.count).Empty());
    EXPECT_TRUE(set.draw(1 << 30).Empty());
  }
}

TEST(DialogArt, MarkPicturesShowTheStampsTheMarkToolPuts) {
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    const gui::Bitmap picture = artwork::MarkStylePicture(k);
    const artwork::AlphaImage stamp = artwork::MarkStampWithAlpha(k);
    int solid = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const unsigned alpha = stamp.alpha[static_cast<std::size_t>(y) * 32 + x];
        const gui::Color c = picture.Pixel(x, y);
        if (alpha == 255) {
          ++solid;
          ASSERT_TRUE(Near(c, artwork::kMarkRed, 8)) << x << "," << y;
        } else if (alpha == 0) {
          ASSERT_GT(gui::GreenOf(c), 150u) << x << "," << y;  // paper or frame, no red
        }
      }
    EXPECT_GT(solid, 60);
  }
}

// Reveal style k hides the side of the slide that the tool's cover takes:
// 0 right of the edge, 1 above it, 2 left of it, 3 below it. The pointer sits
// on the style's axis just before the edge (the edge follows it 15 pixels on).
TEST(DialogArt, RevealPicturesCoverTheSideEachStyleHides) {
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const gui::Bitmap b = artwork::RevealStylePicture(k);
    const auto coveredColumn = [&](int x) {
      int n = 0;
      for (int y = 2; y < 47; ++y) n += Bluish(b.Pixel(x, y));
      return n;
    };
    const auto coveredRow = [&](int y) {
      int n = 0;
      for (int x = 2; x < 47; ++x) n += Bluish(b.Pixel(x, y));
      return n;
    };
    const bool vertical = k == 0 || k == 2;  // the edge runs up and down
    const int near = vertical ? (k == 0 ? coveredColumn(46) : coveredColumn(2))
                              : (k == 1 ? coveredRow(2) : coveredRow(46));
    const int far = vertical ? (k == 0 ? coveredColumn(2) : coveredColumn(46))
                             : (k == 1 ? coveredRow(46) : coveredRow(2));
    EXPECT_GT(near, 30);  // the covered side is blue nearly all along...
    EXPECT_EQ(far, 0);    // ...and the other side shows the slide
    // Some of the slide stays in view: less than three quarters covered.
    int blue = 0;
    for (int y = 0; y < 49; ++y)
      for (int x = 0; x < 49; ++x) blue += Bluish(b.Pixel(x, y));
    EXPECT_LT(blue, 49 * 49 * 3 / 4);
    EXPECT_GT(blue, 49 * 49 / 4);
  }
}

TEST(DialogArt, LinePicturesRunWhiteBarsOutlinedInBlueAcrossThePicture) {
  // The vertical bar at columns 22..26 and the horizontal one at rows 25..29,
  // each running from edge to edge, outlined at the picture's edges too, as
  // the tool's rectangles are. The pointer stands at the bar's corner, past
  // the part checked here.
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    const gui::Bitmap b = artwork::LineStylePicture(k);
    const bool vertical = k != 1;
    const bool horizontal = k != 0;
    for (int y = 1; y < 25; ++y) {
      EXPECT_EQ(Bluish(b.Pixel(22, y)) && Bluish(b.Pixel(26, y)), vertical) << y;
      EXPECT_EQ(b.Pixel(24, y) == gui::kWhite, vertical) << y;
    }
    for (int x = 1; x < 20; ++x) {
      EXPECT_EQ(Bluish(b.Pixel(x, 25)) && Bluish(b.Pixel(x, 29)), horizontal) << x;
      EXPECT_EQ(b.Pixel(x, 27) == gui::kWhite, horizontal) << x;
    }
  }
}

// The spot light darkens with a checker of black pixels everywhere but the lit
// part: a box for style 0, a band across the whole width for 1, down the
// whole height for 2.
TEST(DialogArt, SpotLightPicturesLeaveTheStylesShapeLit) {
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    const gui::Bitmap b = artwork::SpotLightStylePicture(k);
    gui::IRect lit{49, 49, 0, 0};
    for (int y = 0; y < 49; ++y)
      for (int x = 0; x < 49; ++x)
        if ((x + y) % 2 == 0 && b.Pixel(x, y) != gui::kBlack)
          lit = {std::min(lit.left, x), std::min(lit.top, y), std::max(lit.right, x + 1),
                 std::max(lit.bottom, y + 1)};
    // Inside the lit part not one pixel is darkened.
    for (int y = lit.top; y < lit.bottom; ++y)
      for (int x = lit.left; x < lit.right; ++x) ASSERT_NE(b.Pixel(x, y), gui::kBlack);
    const bool fullWidth = lit.left == 0 && lit.right == 49;
    const bool fullHeight = lit.top == 0 && lit.bottom == 49;
    EXPECT_EQ(fullWidth, k == 1);
    EXPECT_EQ(fullHeight, k == 2);
    EXPECT_GE(lit.Width(), 12);
    EXPECT_GE(lit.Height(), 12);
    EXPECT_FALSE(fullWidth && fullHeight);
  }
}

TEST(DialogArt, BrowseGlyphAndAboutPictureAreTransparentAroundTheirDrawing) {
  const gui::MaskedImage glyph = artwork::BrowseGlyph();
  const gui::MaskedImage about = artwork::AboutPicture();
  ASSERT_EQ(glyph.color.Width(), 16);
  ASSERT_EQ(glyph.color.Height(), 16);
  ASSERT_EQ(about.color.Width(), 33);
  ASSERT_EQ(about.color.Height(), 40);
  for (const gui::MaskedImage* img : {&glyph, &about}) {
    const int w = img->color.Width();
    const int h = img->color.Height();
    ASSERT_EQ(img->mask.size(), std::size_t(w * h));
    for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}})
      EXPECT_TRUE(img->Transparent(x, y));
    EXPECT_FALSE(img->Transparent(w / 2, h / 2 + 2));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (img->Transparent(x, y)) {
          ASSERT_EQ(img->color.Pixel(x, y), gui::kBlack);
        }
  }
  // The folder is yellow; the about picture's pointer shows its red dot.
  const gui::Color folder = glyph.color.Pixel(8, 10);
  EXPECT_GT(gui::RedOf(folder), 200u);
  EXPECT_GT(gui::GreenOf(folder), 150u);
  EXPECT_LT(gui::BlueOf(folder), 130u);
  int red = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 20; x < 33; ++x) {
      const gui::Color c = about.color.Pixel(x, y);
      red += !about.Transparent(x, y) && gui::RedOf(c) > 200 && gui::GreenOf(c) < 80;
    }
  EXPECT_GT(red, 10);
}

TEST(DialogArt, TitlePictureIsABandWithALightCaptionOnTheLeft) {
  const gui::Bitmap title = artwork::EffectTableTitle();
  ASSERT_EQ(title.Width(), 447);
  ASSERT_EQ(title.Height(), 39);
  int light = 0;
  for (int y = 8; y < 31; ++y)
    for (int x = 46; x < 200; ++x) light += Near(title.Pixel(x, y), gui::kWhite, 40);
  EXPECT_GT(light, 600);  // the letters
  // Between the caption and the icons, only the blue band.
  for (int x = 205; x < 240; ++x) {
    const gui::Color c = title.Pixel(x, 20);
    EXPECT_GT(gui::BlueOf(c), gui::RedOf(c) + 60) << x;
  }
}

// Both builds must draw the same pixels; the Windows test run compares against the
// same number. After a deliberate change to the drawings, look at the pictures
// (scripts/make-artwork.sh <folder>) and then take the new value.
TEST(Artwork, EveryBuildDrawsTheSamePixels) {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  const auto mix = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) h = (h ^ ((v >> (8 * i)) & 0xFF)) * 1099511628211ull;
  };
  const auto mixBitmap = [&](const gui::Bitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) mix(b.Pixel(x, y));
  };
  for (const auto& img : artwork::PaletteImages()) {
    mixBitmap(img.color);
    for (auto m : img.mask) mix(m);
  }
  mixBitmap(artwork::PaletteBackground());
  for (int size : {16, 32, 48}) {
    const artwork::AlphaImage icon = artwork::ProgramIconWithAlpha(size);
    mixBitmap(icon.color);
    for (auto a : icon.alpha) mix(a);
  }
  for (int k = 0; k < 4; ++k) {
    mixBitmap(artwork::MarkStylePicture(k));
    mixBitmap(artwork::RevealStylePicture(k));
    mixBitmap(artwork::LineStylePicture(k));
    mixBitmap(artwork::SpotLightStylePicture(k));
  }
  for (const gui::MaskedImage& img : {artwork::BrowseGlyph(), artwork::AboutPicture()}) {
    mixBitmap(img.color);
    for (auto m : img.mask) mix(m);
  }
  mixBitmap(artwork::EffectTableTitle());
  EXPECT_EQ(h, 0x9e2171644c3e8f03ull) << std::hex << "now 0x" << h;
}

// --- Files -----------------------------------------------------------------

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}

TEST(ImageFiles, IcoEntriesPointAtBottomUpPlanesWithMatchingAndMask) {
  // A 16-pixel picture whose only transparent pixel is the top-left one.
  artwork::AlphaImage img{gui::Bitmap(16, 16, gui::kRed), std::vector<std::uint8_t>(256, 255)};
  img.alpha[0] = 0;
  const artwork::AlphaImage images[] = {img, artwork::ProgramIconWithAlpha(32)};
  const auto ico = artwork::EncodeIco(images);
  ASSERT_GE(ico.size(), 6u + 2 * 16);
  EXPECT_EQ(ico[2] | ico[3] << 8, 1);  // icon, not cursor
  EXPECT_EQ(ico[4] | ico[5] << 8, 2);

  const std::size_t first = Le32(ico, 6 + 12);
  EXPECT_EQ(first, 6u + 2 * 16);
  EXPECT_EQ(ico[6], 16);
  EXPECT_EQ(Le32(ico, 6 + 8), 40u + 16 * 16 * 4 + 16 * 4);  // header, colours, mask rows of 4 bytes
  EXPECT_EQ(Le32(ico, 22 + 12), first + Le32(ico, 6 + 8));
  EXPECT_EQ(Le32(ico, first + 8), 32u);  // height counts both planes
  EXPECT_EQ(ico.size(), Le32(ico, 22 + 12) + Le32(ico, 22 + 8));

  // The top row is stored last, in both planes.
  const std::size_t colours = first + 40;
  const std::size_t topRow = colours + 15 * 16 * 4;
  EXPECT_EQ(ico[topRow + 3], 0);        // alpha of the transparent pixel
  EXPECT_EQ(ico[topRow + 4 + 2], 255);  // red of its neighbour (BGRA)
  EXPECT_EQ(ico[colours + 3], 255);
  const std::size_t mask = colours + 16 * 16 * 4;
  EXPECT_EQ(ico[mask + 15 * 4], 0x80);  // top row: only the first pixel
  EXPECT_EQ(ico[mask], 0);
}

TEST(ImageFiles, PngCarriesEveryPixelAcrossStoredBlocks) {
  // Large enough for several deflate blocks of at most 65535 bytes.
  const gui::Bitmap bg = artwork::PaletteBackground();
  const auto png = artwork::EncodePng(artwork::FromMasked({bg, {}}));
  ASSERT_GT(png.size(), 8u + 25 + 12);
  const std::vector<std::uint8_t> iend{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  EXPECT_TRUE(std::equal(iend.begin(), iend.end(), png.end() - 12));

  // Unpack the IDAT's stored blocks and compare with the picture.
  std::size_t at = 8 + 25;  // signature and IHDR chunk
  ASSERT_EQ(std::string(png.begin() + at + 4, png.begin() + at + 8), "IDAT");
  std::size_t z = at + 8 + 2;
  std::vector<std::uint8_t> raw;
  for (bool last = false; !last;) {
    last = png[z] & 1;
    const std::size_t n = png[z + 1] | png[z + 2] << 8;
    ASSERT_EQ(n ^ 0xFFFF, std::size_t(png[z + 3] | png[z + 4] << 8));
    raw.insert(raw.end(), png.begin() + z + 5, png.begin() + z + 5 + n);
    z += 5 + n;
  }
  ASSERT_EQ(raw.size(), std::size_t(262 * (192 * 4 + 1)));
  for (int y : {0, 100, 261}) {
    const std::size_t row = y * (192 * 4 + 1);
    EXPECT_EQ(raw[row], 0);
    for (int x : {0, 50, 191}) {
      const gui::Color c = bg.Pixel(x, y);
      EXPECT_EQ(raw[row + 1 + x * 4], gui::RedOf(c));
      EXPECT_EQ(raw[row + 1 + x * 4 + 2], gui::BlueOf(c));
      EXPECT_EQ(raw[row + 1 + x * 4 + 3], 255);
    }
  }
}

}  // namespace
