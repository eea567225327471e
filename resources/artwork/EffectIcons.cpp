// The fifteen effect icons, one function each, indexed by effect code.
#include <array>
#include <cmath>
#include <vector>

#include "resources/artwork/Artwork.h"
#include "resources/artwork/Scenery.h"

namespace artwork {

namespace {

using namespace scenery;

constexpr gui::Color kMarkRed = gui::Rgb(226, 22, 28);
constexpr gui::Color kInk = gui::Rgb(40, 28, 6);

void WarningSign(Painter& p, Point c, double size) {
  const Point pts[] = {{c.x, c.y - size * 0.55},
                       {c.x + size * 0.6, c.y + size * 0.45},
                       {c.x - size * 0.6, c.y + size * 0.45}};
  p.FillPolygon(pts, gui::Rgb(255, 212, 0));
  p.StrokePolyline(pts, size * 0.13, kInk, true);
  p.StrokeLine({c.x, c.y - size * 0.2}, {c.x, c.y + size * 0.1}, size * 0.14, kInk);
  p.FillCircle({c.x, c.y + size * 0.28}, size * 0.085, kInk);
}

void CrossedCircle(Painter& p, Point c, double r) {
  p.StrokeCircle(c, r, r * 0.36, kMarkRed);
  const double d = r * 0.62;
  p.StrokeLine({c.x - d, c.y - d}, {c.x + d, c.y + d}, r * 0.34, kMarkRed);
  p.StrokeLine({c.x - d, c.y + d}, {c.x + d, c.y - d}, r * 0.34, kMarkRed);
}

void Mark(Painter& p) {
  DrawDesktop(p);
  WarningSign(p, {15, 20}, 14);
  WarningSign(p, {35, 37}, 14);
  CrossedCircle(p, {33, 17}, 6);
  CrossedCircle(p, {14, 37}, 6);
}

void Reveal(Painter& p) {
  DrawDesktop(p);
  p.FillRect({0, 26, 50, 50}, gui::Rgb(22, 54, 196));
  p.FillRect({0, 26, 50, 27}, gui::Rgb(12, 30, 130));
}

void Line(Painter& p) {
  DrawDesktop(p);
  p.FillRect({0, 20, 50, 22}, kMarkRed);
  p.FillRect({29, 0, 31, 50}, kMarkRed);
}

void Zoom(Painter& p) {
  // The window's top-left corner, twice as large.
  p.SetTransform(2, {-8, -6});
  DrawDesktop(p);
  p.SetTransform(1, {});
  // Outward arrows at the corners say "larger".
  for (const Point dir : {Point{-1, -1}, Point{1, -1}, Point{-1, 1}, Point{1, 1}}) {
    const Point tip{25 + dir.x * 21.5, 25 + dir.y * 21.5};
    const Point tail = tip - dir * 8;
    const Point arm1{tip.x - dir.x * 6, tip.y};
    const Point arm2{tip.x, tip.y - dir.y * 6};
    const Point head[] = {arm1, tip, arm2};
    for (const auto& [width, color] :
         {std::pair{4.2, gui::Rgb(20, 30, 60)}, std::pair{2.2, gui::kWhite}}) {
      p.StrokeLine(tail, tip, width, color);
      p.StrokePolyline(head, width, color);
    }
  }
}

std::vector<Point> Squiggle() {
  std::vector<Point> pts;
  constexpr int kSteps = 72;
  for (int i = 0; i <= kSteps; ++i) {
    const double t = static_cast<double>(i) / kSteps;
    const double a = 2 * kPi * 3.25 * t;
    pts.push_back({5 + 24 * t - 3.2 * Sin(a), 37 - 3 * t - 4.5 * Cos(a) + 4.5 * (1 - t)});
  }
  return pts;
}

void Pen(Painter& p) {
  p.FillRect(kFrame, gui::Rgb(252, 251, 244));
  for (int y = 10; y < 50; y += 8) p.FillRect({0, double(y), 50, y + 1.0}, gui::Rgb(204, 218, 242));
  const std::vector<Point> ink = Squiggle();
  p.StrokePolyline(ink, 2.4, kMarkRed);

  const Point tip = ink.back();
  const Point u{Cos(Radians(-56)), Sin(Radians(-56))};
  const Point n{-u.y, u.x};
  const double hw = 3.6;
  const Point coneBase = tip + u * 7.5;
  const Point bodyEnd = tip + u * 30;
  const Point capEnd = tip + u * 36;
  const Point cone[] = {tip, coneBase + n * hw, coneBase - n * hw};
  p.FillPolygon(cone, gui::Rgb(236, 200, 150));
  const Point point[] = {tip, tip + u * 2.8 + n * 1.35, tip + u * 2.8 - n * 1.35};
  p.FillPolygon(point, gui::Rgb(170, 10, 16));
  const Point body[] = {coneBase + n * hw, bodyEnd + n * hw, bodyEnd - n * hw, coneBase - n * hw};
  p.FillPolygon(body, gui::Rgb(36, 78, 200));
  const Point shine[] = {coneBase + n * 1.0, bodyEnd + n * 1.0, bodyEnd + n * 2.4,
                         coneBase + n * 2.4};
  p.FillPolygon(shine, gui::Rgb(110, 150, 240));
  const Point cap[] = {bodyEnd + n * hw, capEnd + n * hw, capEnd - n * hw, bodyEnd - n * hw};
  p.FillPolygon(cap, gui::Rgb(20, 40, 110));
  const Point outline[] = {tip, coneBase + n * hw, capEnd + n * hw, capEnd - n * hw,
                           coneBase - n * hw};
  p.StrokePolyline(outline, 0.8, gui::Rgb(20, 24, 40), true);
}

void SpotLight(Painter& p, gui::Bitmap& canvas) {
  DrawWallpaper(p);
  DrawDesktopIcons(p);
  DrawWindow(p, {22, 21, 47, 41}, false);
  DrawWindow(p, kWindow);
  DrawTaskbar(p);
  // Everything but the lit window is dimmed by a checker of black pixels.
  const gui::IRect lit{int(kWindow.left), int(kWindow.top), int(kWindow.right),
                       int(kWindow.bottom)};
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x)
      if (!lit.Contains(x, y))
        if ((x + y) % 2 == 0) canvas.SetPixel(x, y, gui::kBlack);
}

void LaserBeam(Painter& p) {
  DrawDesktop(p);
  const Point c{23, 20};
  const gui::Color red = gui::Rgb(255, 24, 24);
  p.FillCircle(c, 10, Brush::Radial(c, 10, {red, 190}, {red, 0}));
  p.FillCircle(c, 4.4, red);
  p.FillCircle(c, 1.8, gui::Rgb(255, 206, 206));
}

void RectangleIcon(Painter& p) {
  DrawDesktop(p);
  p.StrokeRect({10, 14, 30, 27}, 2, kMarkRed);
  p.StrokeRect({21, 23, 44, 40}, 2, kMarkRed);
}

void Magnifier(Painter& p) {
  DrawDesktop(p);
  const Point c{21, 19};
  const double r = 11;
  // What the lens shows: the same desktop at twice the size around its centre.
  gui::Bitmap zoomed = NewIconBitmap();
  Painter zp(zoomed);
  zp.SetTransform(2, {-c.x, -c.y});
  DrawDesktop(zp);
  p.FillCircle(c, r, Brush::Image(std::move(zoomed)));

  p.StrokeLine(Polar(c, r + 3, 45), {46, 46}, 6, gui::Rgb(86, 46, 18));
  p.StrokeLine(Polar(c, r + 4.5, 45), {44.5, 44.5}, 2, gui::Rgb(150, 96, 50));
  p.StrokeLine(Polar(c, r + 1, 45), Polar(c, r + 5, 45), 6.5, gui::Rgb(110, 114, 126));
  p.StrokeCircle(c, r + 1.2, 3, gui::Rgb(40, 42, 52));
  p.StrokeCircle(c, r + 1.2, 0.8, gui::Rgb(150, 156, 172));
  std::vector<Point> glint;
  for (int a = 200; a <= 250; a += 5) glint.push_back(Polar(c, r - 3, a));
  p.StrokePolyline(glint, 1.6, Brush(gui::kWhite, 190));
}

void ScrollIcon(Painter& p, bool horizontal) {
  DrawWallpaper(p);
  DrawTaskbar(p);
  const Rect window{4, 4, 46, 42};
  DrawWindow(p, window, true, horizontal ? ScrollBar::kHorizontal : ScrollBar::kVertical);
  const Point a = horizontal ? Point{8, 24} : Point{23, 12.5};
  const Point b = horizontal ? Point{42, 24} : Point{23, 37.5};
  FillDoubleArrow(p, a, b, 4, 8, 13, gui::Rgb(120, 0, 0));
  const Point u = horizontal ? Point{1, 0} : Point{0, 1};
  FillDoubleArrow(p, a + u * 1.4, b - u * 1.4, 2.6, 6.6, 10.4, kMarkRed);
}

void Hourglass(Painter& p, Point c, double h) {
  const double w = h * 0.66;
  const double top = c.y - h / 2;
  const double bottom = c.y + h / 2;
  const double bar = h * 0.15;
  const gui::Color wood = gui::Rgb(128, 72, 28);
  const double gw = w * 0.4;  // half width of the glass
  const Point glass[] = {{c.x - gw, top + bar},    {c.x + gw, top + bar},    {c.x + 0.9, c.y},
                         {c.x + gw, bottom - bar}, {c.x - gw, bottom - bar}, {c.x - 0.9, c.y}};
  p.FillPolygon(glass, gui::Rgb(226, 242, 252));
  const gui::Color sand = gui::Rgb(244, 186, 44);
  const Point upper[] = {
      {c.x - gw * 0.62, c.y - h * 0.16}, {c.x + gw * 0.62, c.y - h * 0.16}, {c.x, c.y}};
  p.FillPolygon(upper, sand);
  const Point lower[] = {{c.x - gw + 0.4, bottom - bar},
                         {c.x + gw - 0.4, bottom - bar},
                         {c.x, bottom - bar - h * 0.2}};
  p.FillPolygon(lower, sand);
  p.StrokeLine({c.x, c.y}, {c.x, bottom - bar - 1}, 0.8, sand);
  p.StrokePolyline(glass, 1, gui::Rgb(40, 44, 60), true);
  p.FillRoundRect({c.x - w / 2, top, c.x + w / 2, top + bar}, bar / 3, wood);
  p.FillRoundRect({c.x - w / 2, bottom - bar, c.x + w / 2, bottom}, bar / 3, wood);
}

void ExecuteProgram(Painter& p) {
  DrawDesktop(p);
  DrawArrowPointer(p, {12, 9}, 22);
  Hourglass(p, {31, 30}, 20);
}

void BreakTime(Painter& p) {
  p.FillRect(kFrame, gui::Rgb(118, 14, 22));
  const Point c{25, 25};
  p.FillCircle({c.x + 1, c.y + 1.5}, 19.5, Brush(gui::kBlack, 100));
  p.FillCircle(c, 19.5,
               Brush::Linear({0, 6}, gui::Rgb(236, 236, 242), {0, 44}, gui::Rgb(150, 152, 164)));
  p.FillCircle(c, 16.8, gui::Rgb(253, 251, 244));
  const gui::Color dark = gui::Rgb(30, 30, 38);
  for (int h = 0; h < 12; ++h) {
    const bool quarter = h % 3 == 0;
    const double angle = h * 30.0;
    p.StrokeLine(Polar(c, quarter ? 11.6 : 13.2, angle), Polar(c, 14.8, angle), quarter ? 2 : 1.1,
                 dark);
  }
  // Ten past ten, thirty-five seconds.
  const auto hand = [&](double clockDegrees, double length, double width, gui::Color color) {
    p.StrokeLine(Polar(c, -length * 0.18, clockDegrees - 90), Polar(c, length, clockDegrees - 90),
                 width, color);
  };
  hand((10 + 10.0 / 60) * 30, 8.6, 2.8, dark);
  hand(10 * 6, 12.6, 1.9, dark);
  hand(35 * 6, 13.4, 0.9, gui::Rgb(210, 20, 24));
  p.FillCircle(c, 1.7, dark);
  p.FillCircle(c, 0.8, gui::Rgb(210, 20, 24));
}

void PlaySound(Painter& p) {
  p.FillRect(kFrame,
             Brush::Radial({25, 22}, 34, {gui::Rgb(32, 54, 146), 255}, {gui::Rgb(8, 16, 70), 255}));
  const gui::Color yellow = gui::Rgb(255, 212, 36);
  const Point head1{15, 38};
  const Point head2{35, 34};
  const double stemDx = 4.3;
  const double stem1Top = 12;
  const double stem2Top = 8;
  for (const auto& [h, stemTop] : {std::pair{head1, stem1Top}, std::pair{head2, stem2Top}}) {
    p.FillEllipse(h, 5.6, 3.9, -24, yellow);
    p.StrokeLine({h.x + stemDx, h.y - 1.4}, {h.x + stemDx, stemTop}, 2.4, yellow);
  }
  const double l = head1.x + stemDx - 1.2;
  const double r = head2.x + stemDx + 1.2;
  const Point beam[] = {
      {l, stem1Top - 0.5}, {r, stem2Top - 0.5}, {r, stem2Top + 5.5}, {l, stem1Top + 5.5}};
  p.FillPolygon(beam, yellow);
}

void CursorReset(Painter& p) {
  DrawDesktop(p);
  const Point tip{16, 7};
  const double height = 36;
  p.FillPolygon(ArrowPointerOutline(tip + Point{2, 2}, height), Brush(gui::kBlack, 90));
  DrawArrowPointer(p, tip, height);
}

}  // namespace

gui::MaskedImage EffectIcon(int code) {
  if (code < 0 || code >= kEffectIconCount) return {};
  gui::Bitmap canvas = NewIconBitmap();
  Painter p(canvas);
  switch (code) {
    case 0: Mark(p); break;
    case 1: Reveal(p); break;
    case 2: Line(p); break;
    case 3: Zoom(p); break;
    case 4: Pen(p); break;
    case 5: SpotLight(p, canvas); break;
    case 6: LaserBeam(p); break;
    case 7: RectangleIcon(p); break;
    case 8: Magnifier(p); break;
    case 9: ScrollIcon(p, true); break;
    case 10: ScrollIcon(p, false); break;
    case 11: ExecuteProgram(p); break;
    case 12: BreakTime(p); break;
    case 13: PlaySound(p); break;
    default: CursorReset(p); break;
  }
  return {std::move(canvas), {}};
}

}  // namespace artwork
