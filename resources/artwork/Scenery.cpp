#include "resources/artwork/Scenery.h"

#include <array>
#include <cmath>

#include "resources/artwork/Artwork.h"

namespace artwork::scenery {

namespace {

constexpr gui::Color kWindowEdge = gui::Rgb(48, 54, 72);
constexpr gui::Color kTextLine = gui::Rgb(168, 176, 192);

Point UnitVector(Point a, Point b) {
  const Point d = b - a;
  const double len = std::sqrt(d.x * d.x + d.y * d.y);
  return len > 0 ? d * (1 / len) : Point{1, 0};
}

}  // namespace

gui::Bitmap NewIconBitmap(gui::Color fill) { return gui::Bitmap(kImageSize, kImageSize, fill); }

void DrawWallpaper(Painter& p) {
  p.FillRect(kFrame, Brush::Linear({0, 0}, gui::Rgb(42, 150, 168), {0, kTaskbar.top},
                                   gui::Rgb(20, 92, 126)));
}

void DrawDesktopIcons(Painter& p) {
  const gui::Color label = gui::Rgb(226, 240, 244);
  // A folder and a document in a column at the right.
  p.FillRect({41, 6, 44, 8}, gui::Rgb(214, 168, 50));
  p.FillRect({41, 7, 48, 13}, gui::Rgb(246, 204, 82));
  p.FillRect({41, 12, 48, 13}, gui::Rgb(200, 150, 40));
  p.FillRect({41, 15, 48, 16}, label);
  const Point page[] = {{42, 19}, {45.5, 19}, {47, 20.5}, {47, 26}, {42, 26}};
  p.FillPolygon(page, gui::kWhite);
  p.FillRect({43, 21, 46, 22}, kTextLine);
  p.FillRect({43, 23, 46, 24}, kTextLine);
  p.FillRect({41, 28, 48, 29}, label);
}

void DrawTaskbar(Painter& p) {
  const Rect& t = kTaskbar;
  p.FillRect(t, gui::Rgb(198, 202, 212));
  p.FillRect({t.left, t.top, t.right, t.top + 1}, gui::Rgb(244, 246, 250));
  // Menu button, the window's task button (pressed) and the clock area.
  p.FillRect({1, t.top + 2, 10, t.bottom - 1}, gui::Rgb(120, 128, 146));
  p.FillRect({1, t.top + 2, 9, t.bottom - 2}, gui::Rgb(226, 229, 236));
  p.FillRect({3, t.top + 3, 5, t.top + 5}, gui::Rgb(200, 60, 50));
  p.FillRect({12, t.top + 2, 25, t.bottom - 1}, gui::Rgb(172, 178, 192));
  p.FillRect({13, t.top + 3, 24, t.bottom - 1}, gui::Rgb(214, 218, 228));
  p.FillRect({39, t.top + 2, 49, t.bottom - 1}, gui::Rgb(176, 182, 196));
  p.FillRect({41, t.top + 3, 47, t.top + 4}, gui::Rgb(70, 76, 92));
}

void DrawWindow(Painter& p, const Rect& frame, bool active, ScrollBar bar) {
  p.FillRect({frame.left + 1, frame.top + 1, frame.right + 1, frame.bottom + 1},
             Brush(gui::kBlack, 90));
  p.FillRect(frame, kWindowEdge);
  const Rect title{frame.left + 1, frame.top + 1, frame.right - 1, frame.top + kTitleBarHeight};
  if (active)
    p.FillRect(title, Brush::Linear({title.left, 0}, gui::Rgb(26, 58, 160), {title.right, 0},
                                    gui::Rgb(70, 126, 222)));
  else
    p.FillRect(title, Brush::Linear({title.left, 0}, gui::Rgb(110, 116, 130), {title.right, 0},
                                    gui::Rgb(160, 166, 180)));
  p.FillRect({title.right - 4, title.top + 1, title.right - 1, title.bottom - 1},
             gui::Rgb(226, 230, 238));

  Rect body{frame.left + 1, title.bottom, frame.right - 1, frame.bottom - 1};
  p.FillRect(body, gui::Rgb(250, 250, 250));
  if (bar == ScrollBar::kHorizontal) {
    const Rect track{body.left, body.bottom - 4, body.right, body.bottom};
    p.FillRect(track, gui::Rgb(222, 226, 234));
    const double w = track.Width();
    p.FillRect({track.left + w * 0.3, track.top + 1, track.left + w * 0.6, track.bottom - 1},
               gui::Rgb(140, 152, 178));
    body.bottom = track.top;
  } else if (bar == ScrollBar::kVertical) {
    const Rect track{body.right - 4, body.top, body.right, body.bottom};
    p.FillRect(track, gui::Rgb(222, 226, 234));
    const double h = track.Height();
    p.FillRect({track.left + 1, track.top + h * 0.3, track.right - 1, track.top + h * 0.6},
               gui::Rgb(140, 152, 178));
    body.right = track.left;
  }
  // Lines of text of varying length, three units apart.
  constexpr std::array<double, 5> kLengths{0.62, 0.85, 0.5, 0.74, 0.38};
  const double width = body.Width() - 6;
  int line = 0;
  for (double y = body.top + 3; y + 1 <= body.bottom - 2; y += 3, ++line)
    p.FillRect({body.left + 3, y, body.left + 3 + std::round(width * kLengths[line % 5]), y + 1},
               kTextLine);
}

void DrawDesktop(Painter& p) {
  DrawWallpaper(p);
  DrawDesktopIcons(p);
  DrawWindow(p, kWindow);
  DrawTaskbar(p);
}

std::array<Point, 7> ArrowPointerOutline(Point tip, double height) {
  // The outline on a grid 18.5 units high, tip at the origin.
  constexpr std::array<Point, 7> kShape{
      {{0, 0}, {0, 16}, {4, 12.4}, {6.9, 18.5}, {9.4, 17.4}, {6.6, 11.4}, {11.6, 11.4}}};
  std::array<Point, 7> pts;
  for (std::size_t i = 0; i < kShape.size(); ++i) pts[i] = tip + kShape[i] * (height / 18.5);
  return pts;
}

void DrawArrowPointer(Painter& p, Point tip, double height) {
  const auto pts = ArrowPointerOutline(tip, height);
  p.FillPolygon(pts, gui::kWhite);
  p.StrokePolyline(pts, std::max(1.0, height / 18.5 * 1.1), gui::kBlack, true);
}

void FillDoubleArrow(Painter& p, Point a, Point b, double shaftWidth, double headLength,
                     double headWidth, const Brush& brush) {
  const Point u = UnitVector(a, b);
  const Point n{-u.y, u.x};
  const Point a1 = a + u * headLength;
  const Point b1 = b - u * headLength;
  const double hs = shaftWidth / 2;
  const double hh = headWidth / 2;
  const Point pts[] = {a, a1 + n * hh, a1 + n * hs, b1 + n * hs, b1 + n * hh,
                       b, b1 - n * hh, b1 - n * hs, a1 - n * hs, a1 - n * hh};
  p.FillPolygon(pts, brush);
}

}  // namespace artwork::scenery
