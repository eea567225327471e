// The program icon: a slide on a rounded indigo tile, with a hand-held pointer
// putting a red dot on it. Small sizes are drawn on their own pixel grid with
// less detail, so the picture stays sharp where a scaled copy would blur.
#include <algorithm>
#include <array>
#include <cmath>

#include "resources/artwork/Artwork.h"
#include "resources/artwork/Painter.h"

namespace artwork {

namespace {

constexpr gui::Color kTileEdge = gui::Rgb(16, 16, 58);
constexpr gui::Color kTileTop = gui::Rgb(84, 100, 236);
constexpr gui::Color kTileBottom = gui::Rgb(36, 30, 124);
constexpr gui::Color kSlide = gui::Rgb(250, 251, 255);
constexpr gui::Color kBarLight = gui::Rgb(160, 186, 255);
constexpr gui::Color kBarDark = gui::Rgb(84, 112, 236);
constexpr gui::Color kLaser = gui::Rgb(255, 36, 36);
constexpr gui::Color kPointerEdge = gui::Rgb(20, 22, 44);

// Everything below works in a square of `n` units; the caller's transform maps it.
void Tile(Painter& p, double n, double radius, double edge) {
  p.FillRoundRect({0, 0, n, n}, radius, kTileEdge);
  p.FillRoundRect({edge, edge, n - edge, n - edge}, radius - edge,
                  Brush::Linear({0, 0}, kTileTop, {0, n}, kTileBottom));
}

void LaserDot(Painter& p, Point c, double core, double glow) {
  p.FillCircle(c, glow, Brush::Radial(c, glow, {kLaser, 200}, {kLaser, 0}));
  p.FillCircle(c, core, kLaser);
  p.FillCircle(c, core * 0.42, gui::Rgb(255, 214, 214));
}

// The pointer: a slim silver body from `tail` to `tip`, shaded across its width,
// with a button and a red emitter at the tip.
void Pointer(Painter& p, Point tail, Point tip, double width, double edge, bool button) {
  const Point d = tip - tail;
  const double length = std::sqrt(d.x * d.x + d.y * d.y);
  if (length <= 0) return;
  const Point u = d * (1 / length);
  const Point n{-u.y, u.x};
  p.StrokeLine(tail, tip, width + 2 * edge, kPointerEdge);
  p.StrokeLine(tail, tip, width,
               Brush::Linear(tail - n * (width / 2), gui::Rgb(252, 252, 255),
                             tail + n * (width / 2), gui::Rgb(150, 156, 182)));
  if (button) p.FillCircle(tail + u * (length * 0.42), width * 0.24, gui::Rgb(70, 76, 110));
  p.FillCircle(tip - u * (width * 0.2), width * 0.3, kLaser);
}

void Beam(Painter& p, Point from, Point to, double width) {
  p.StrokeLine(from, to, width * 2.6, Brush(kLaser, 60));
  p.StrokeLine(from, to, width, Brush(kLaser, 230));
}

// Where the parts of the detailed drawing stand, on a grid of `grid` units.
struct Layout {
  double grid;
  double radius;  // of the tile's corners
  double edge;    // the tile's dark rim
  Rect gloss;
  Rect slide;
  double slideRadius;
  Rect title;
  std::array<Rect, 3> bars;
  Rect baseline;  // under the bars; empty for none
  Point dot;
  double dotCore;
  double dotGlow;
  double beam;
  Point tail;
  Point tip;
  double pointerWidth;
  double pointerEdge;
  bool button;
};

// 48 and more: the full picture on a 50-unit grid.
constexpr Layout kLarge{50,
                        11,
                        1.6,
                        {3, 3, 47, 24},
                        {7, 8, 41, 31},
                        2.5,
                        {11, 12, 27, 14},
                        {{{11, 21, 15, 28}, {17, 18, 21, 28}, {23, 16, 27, 28}}},
                        {10, 28, 30, 29},
                        {34, 16},
                        2.8,
                        7.5,
                        1.2,
                        {11.5, 45.5},
                        {27, 37},
                        6,
                        1.2,
                        true};
// 32: fewer details, every edge on whole pixels, a tighter glow.
constexpr Layout kMedium{32,
                         7,
                         1,
                         {2, 2, 30, 15},
                         {4, 5, 26, 20},
                         0,
                         {7, 8, 17, 9},
                         {{{7, 13, 10, 18}, {11, 11, 14, 18}, {15, 10, 18, 18}}},
                         {},
                         {21.5, 10.5},
                         2.1,
                         4,
                         1,
                         {6.5, 28.5},
                         {17.5, 23.5},
                         3.8,
                         1,
                         false};

void DrawDetailed(Painter& p, const Layout& l) {
  Tile(p, l.grid, l.radius, l.edge);
  p.FillRoundRect(l.gloss, l.radius - 3, Brush(gui::kWhite, 24));
  const Rect shadow{l.slide.left + 1, l.slide.top + 1, l.slide.right + 1, l.slide.bottom + 2};
  p.FillRoundRect(shadow, l.slideRadius, Brush(gui::kBlack, 90));
  p.FillRoundRect(l.slide, l.slideRadius, kSlide);
  p.FillRect(l.title, gui::Rgb(150, 160, 196));
  for (std::size_t i = 0; i < l.bars.size(); ++i)
    p.FillRect(l.bars[i], i == 1 ? kBarDark : kBarLight);
  p.FillRect(l.baseline, gui::Rgb(190, 196, 220));
  Beam(p, l.tip, l.dot, l.beam);
  LaserDot(p, l.dot, l.dotCore, l.dotGlow);
  Pointer(p, l.tail, l.tip, l.pointerWidth, l.pointerEdge, l.button);
}

// 16: tile, slide, dot and pointer only.
void DrawSmall(Painter& p) {
  Tile(p, 16, 3.5, 1);
  p.FillRect({2, 3, 14, 10}, kSlide);
  p.FillRect({4, 6, 6, 9}, kBarDark);
  p.FillRect({7, 5, 9, 9}, kBarLight);
  p.StrokeLine({8.5, 11.5}, {11, 6}, 1, Brush(kLaser, 230));
  p.FillRect({10, 5, 12, 7}, kLaser);
  p.FillRect({10, 5, 11, 6}, gui::Rgb(255, 190, 190));
  p.StrokeLine({3.5, 14}, {8.5, 11.5}, 2.6, kPointerEdge);
  p.StrokeLine({3.8, 13.8}, {8.2, 11.6}, 1.2, gui::Rgb(236, 238, 246));
}

}  // namespace

AlphaImage ProgramIconWithAlpha(int size) {
  size = std::clamp(size, 1, 256);
  AlphaImage img{gui::Bitmap(size, size, gui::kBlack), {}};
  Painter p(img.color, &img.alpha);
  if (size < 24) {
    p.SetTransform(size / 16.0, {});
    DrawSmall(p);
  } else if (size < 40) {
    p.SetTransform(size / kMedium.grid, {});
    DrawDetailed(p, kMedium);
  } else {
    p.SetTransform(size / kLarge.grid, {});
    DrawDetailed(p, kLarge);
  }
  return img;
}

gui::MaskedImage ToMasked(const AlphaImage& image) {
  gui::MaskedImage out{image.color, std::vector<std::uint8_t>(image.alpha.size(), 0)};
  for (int y = 0; y < out.color.Height(); ++y)
    for (int x = 0; x < out.color.Width(); ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * out.color.Width() + x;
      if (i < image.alpha.size() && image.alpha[i] < 128) {
        out.mask[i] = 1;
        out.color.SetPixel(x, y, gui::kBlack);
      }
    }
  return out;
}

gui::MaskedImage ProgramIcon(int size) { return ToMasked(ProgramIconWithAlpha(size)); }

}  // namespace artwork
