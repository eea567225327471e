// The palette window's background: a white title strip with the logo and the
// close box, and the orange field the eleven icons stand on.
#include <array>
#include <vector>

#include "resources/artwork/Artwork.h"
#include "resources/artwork/Painter.h"

namespace artwork {

namespace {

constexpr gui::Color kBorder = gui::Rgb(104, 122, 158);
constexpr gui::Color kBorderDark = gui::Rgb(66, 80, 116);
constexpr gui::Color kOrange = gui::Rgb(248, 148, 28);
constexpr gui::Color kLetters = gui::Rgb(30, 34, 92);
constexpr gui::Color kLaserRed = gui::Rgb(236, 30, 36);

// "Tavrin" in strokes: x-height from y 13 to the baseline at 24, strokes 3 wide.
// Each letter is drawn at its left edge and returns its advance.
double LetterT(Painter& p, double x) {
  p.FillRect({x, 8, x + 14, 11}, kLetters);
  p.FillRect({x + 5.5, 8, x + 8.5, 24}, kLetters);
  return 14;
}

double LetterA(Painter& p, double x) {
  p.StrokeCircle({x + 5.5, 18.5}, 4, 3, kLetters);
  p.FillRect({x + 8, 13, x + 11, 24}, kLetters);
  return 11;
}

double LetterV(Painter& p, double x) {
  const Point pts[] = {{x, 13},      {x + 3.2, 13}, {x + 5.5, 20.2}, {x + 7.8, 13},
                       {x + 11, 13}, {x + 7, 24},   {x + 4, 24}};
  p.FillPolygon(pts, kLetters);
  return 11;
}

std::vector<Point> Arc(Point c, double r, double from, double to) {
  std::vector<Point> pts;
  constexpr int kSteps = 16;
  for (int i = 0; i <= kSteps; ++i) pts.push_back(Polar(c, r, from + (to - from) * i / kSteps));
  return pts;
}

double LetterR(Painter& p, double x) {
  p.FillRect({x, 13, x + 3, 24}, kLetters);
  p.StrokePolyline(Arc({x + 6, 19}, 4.5, 185, 295), 3, kLetters);
  return 9;
}

// The dot of the i is the pointer's red dot.
double LetterI(Painter& p, double x) {
  p.FillRect({x, 13, x + 3, 24}, kLetters);
  p.FillCircle({x + 1.5, 8.6}, 2.2, kLaserRed);
  return 3;
}

double LetterN(Painter& p, double x) {
  p.FillRect({x, 13, x + 3, 24}, kLetters);
  p.StrokePolyline(Arc({x + 5.5, 18.5}, 4, 180, 360), 3, kLetters);
  p.FillRect({x + 8, 18.5, x + 11, 24}, kLetters);
  return 11;
}

void Wordmark(Painter& p, double x) {
  constexpr double kGap = 1.6;
  x += LetterT(p, x) + kGap - 1;  // T's bar overhangs the a
  x += LetterA(p, x) + kGap;
  x += LetterV(p, x) + kGap;
  x += LetterR(p, x) + kGap - 0.5;
  x += LetterI(p, x) + kGap;
  LetterN(p, x);
}

void CloseBox(Painter& p) {
  const Rect box{kCloseBox.left + 4.0, kCloseBox.top + 4.0, kCloseBox.right - 5.0,
                 kCloseBox.bottom - 4.0};
  p.FillRoundRect(box, 3, kBorder);
  p.FillRoundRect(box.Inset(1.5), 2, gui::Rgb(238, 241, 248));
  const Rect x = box.Inset(7);
  p.StrokeLine({x.left, x.top}, {x.right, x.bottom}, 3, kLetters);
  p.StrokeLine({x.left, x.bottom}, {x.right, x.top}, 3, kLetters);
}

}  // namespace

namespace {
gui::Bitmap RenderPaletteBackground() {
  gui::Bitmap bg(kPaletteWidth, kPaletteHeight, gui::kWhite);
  Painter p(bg);
  const double w = kPaletteWidth;
  const double h = kPaletteHeight;
  const double strip = kTitleStripHeight;

  // The field: a grey-blue frame with a dark inner edge around plain orange.
  p.FillRect({0, strip, w, h}, kBorder);
  p.FillRect({0, strip, w, strip + 1}, kBorderDark);
  p.FillRect({3, strip + 3, w - 3, h - 3}, kBorderDark);
  p.FillRect({4, strip + 4, w - 4, h - 4}, kOrange);
  // A thin frame around the title strip so the borderless window keeps an edge
  // on a white desktop.
  p.StrokeRect({0, 0, w, strip}, 2, kBorder);

  Composite(bg, 7, 4, ProgramIconWithAlpha(26));
  // The letters are laid out for an x-height of 11; shown a quarter larger,
  // centred in the strip.
  p.SetTransform(1.25, {40, -3.6});
  Wordmark(p, 0);
  p.SetTransform(1, {});
  CloseBox(p);
  LimitColours(bg, 256);
  return bg;
}
}  // namespace

const gui::Bitmap& PaletteBackground() {
  static const gui::Bitmap background = RenderPaletteBackground();
  return background;
}

}  // namespace artwork
