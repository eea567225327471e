// The effect table editor's title picture: the program icon and "Effect Table"
// on a blue band, and at the right a row of effect icons at half size.
#include <iterator>
#include <vector>

#include "resources/artwork/Artwork.h"
#include "resources/artwork/DialogArt.h"
#include "resources/artwork/Painter.h"

namespace artwork {

namespace {

constexpr double kW = kEffectTableTitleWidth;
constexpr double kH = kEffectTableTitleHeight;
constexpr gui::Color kBandLeft = gui::Rgb(22, 30, 92);
constexpr gui::Color kBandRight = gui::Rgb(60, 96, 200);

// Letters as round-ended strokes on a grid where capitals are 14 units high
// and small letters 10 (y grows downwards, 0 at the capitals' top, 14 the
// baseline). Each draws at its left edge and returns its advance.
class Lettering {
 public:
  Lettering(Painter& p, const Brush& ink, double stroke) : p_(p), ink_(ink), stroke_(stroke) {}

  double Draw(char c, double x) {
    switch (c) {
      case 'E':
        Line({x, 0}, {x, 14});
        Line({x, 0}, {x + 8, 0});
        Line({x, 7}, {x + 6.5, 7});
        Line({x, 14}, {x + 8, 14});
        return 8;
      case 'T':
        Line({x, 0}, {x + 10, 0});
        Line({x + 5, 0}, {x + 5, 14});
        return 10;
      case 'f': {
        std::vector<Point> hook{{x + 2, 14}};
        for (int a = 180; a <= 300; a += 10) hook.push_back(Polar({x + 5.2, 3.2}, 3.2, a));
        p_.StrokePolyline(hook, stroke_, ink_);
        Line({x, 5}, {x + 5, 5});
        return 5.5;
      }
      case 't': {
        std::vector<Point> hook{{x + 2, 1}};
        for (int a = 180; a >= 80; a -= 10) hook.push_back(Polar({x + 5, 11}, 3, a));
        p_.StrokePolyline(hook, stroke_, ink_);
        Line({x, 5}, {x + 5, 5});
        return 6;
      }
      case 'e': {
        const Point c{x + 4.5, 9.2};
        Line({x + 0.2, 9.2}, {x + 8.8, 9.2});
        Arc(c, 0, -300);
        return 9;
      }
      case 'c': Arc({x + 4.5, 9.2}, -50, -310); return 8.5;
      case 'a': {
        // Two storeys: the hook over the stem and a flat bowl at its foot,
        // which stays an a at small sizes where a round one reads as an o.
        std::vector<Point> hook;
        for (int a = 205; a <= 360; a += 15) hook.push_back(Polar({x + 4.4, 8}, 3.6, a));
        hook.push_back({x + 8, 14});
        p_.StrokePolyline(hook, stroke_, ink_);
        std::vector<Point> bowl;
        for (int a = -90; a <= 270; a += 15) {
          const Point q = Polar({0, 0}, 1, a);
          bowl.push_back({x + 4.2 + 3.8 * q.x, 11.5 + 2.5 * q.y});
        }
        p_.StrokePolyline(bowl, stroke_, ink_);
        return 8;
      }
      case 'b':
        Line({x, 0}, {x, 14});
        p_.StrokeCircle({x + 4.3, 9.2}, 4.3, stroke_, ink_);
        return 8.6;
      case 'l': Line({x, 0}, {x, 14}); return 0;
      default: return 4;  // a blank
    }
  }

  // Letters with a gap of `gap` units between them.
  void Write(const char* text, double x, double gap) {
    for (const char* c = text; *c; ++c) x += Draw(*c, x) + gap;
  }

 private:
  void Line(Point a, Point b) { p_.StrokeLine(a, b, stroke_, ink_); }
  // An arc of the small letters' bowl, from angle `from` to `to` (degrees,
  // 0 pointing right, negative turning upwards).
  void Arc(Point c, double from, double to) {
    std::vector<Point> pts;
    constexpr int kSteps = 24;
    for (int i = 0; i <= kSteps; ++i) pts.push_back(Polar(c, 4.5, from + (to - from) * i / kSteps));
    p_.StrokePolyline(pts, stroke_, ink_);
  }

  Painter& p_;
  const Brush& ink_;
  double stroke_;
};

// Half size by averaging each 2 by 2 block.
gui::Bitmap HalfSize(const gui::Bitmap& src) {
  gui::Bitmap out(src.Width() / 2, src.Height() / 2);
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x) {
      unsigned r = 0, g = 0, b = 0;
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
          const gui::Color c = src.Pixel(2 * x + dx, 2 * y + dy);
          r += gui::RedOf(c), g += gui::GreenOf(c), b += gui::BlueOf(c);
        }
      out.SetPixel(x, y, gui::Rgb((r + 2) / 4, (g + 2) / 4, (b + 2) / 4));
    }
  return out;
}

}  // namespace

gui::Bitmap EffectTableTitle() {
  gui::Bitmap b(kEffectTableTitleWidth, kEffectTableTitleHeight);
  Painter p(b);
  p.FillRect({0, 0, kW, kH}, Brush::Linear({0, 0}, kBandLeft, {kW, 0}, kBandRight));
  p.FillRect({0, 0, kW, 1}, gui::Rgb(128, 156, 236));
  p.FillRect({0, kH - 2, kW, kH}, gui::Rgb(12, 16, 48));

  Composite(b, 6, 4, ProgramIconWithAlpha(30));

  // The caption, with a soft shadow below and to the right.
  constexpr double kScale = 1.45;
  const Brush shadow(gui::Rgb(6, 8, 30), 150);
  const Brush white(gui::kWhite);
  p.SetTransform(kScale, {46 + 1.2, 8.7 + 1.2});
  Lettering(p, shadow, 2.5).Write("Effect Table", 0, 2.2);
  p.SetTransform(kScale, {46, 8.7});
  Lettering(p, white, 2.5).Write("Effect Table", 0, 2.2);
  p.SetTransform(1, {});

  // Effects to bind: marks, reveal, zoom, spot light, laser and the break.
  constexpr int kCodes[] = {0, 1, 3, 5, 6, 12};
  constexpr int kPitch = 31;
  int x = kEffectTableTitleWidth - 8 - static_cast<int>(std::size(kCodes)) * kPitch + 4;
  for (int code : kCodes) {
    gui::raster::FillRect(b, {x - 1, 6, x + 26, 33}, gui::Rgb(226, 232, 248));
    gui::raster::Blit(b, x, 7, HalfSize(EffectIcon(code).color));
    x += kPitch;
  }
  return b;
}

}  // namespace artwork
