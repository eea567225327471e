// The settings dialog's style pictures, its browse glyph and the about box's
// picture. The style pictures show a slide as the tool leaves it: what the
// reveal cover hides, where the guide bars run, what the spot light keeps lit.
#include "resources/artwork/DialogArt.h"

#include <vector>

#include "resources/artwork/Artwork.h"
#include "resources/artwork/MarkStamps.h"
#include "resources/artwork/Painter.h"
#include "resources/artwork/Scenery.h"

namespace artwork {

namespace {

constexpr double kS = kStylePictureSize;
constexpr gui::Color kSlideEdge = gui::Rgb(92, 100, 122);
constexpr gui::Color kSlidePaper = gui::Rgb(252, 252, 248);
constexpr gui::Color kSlideTitle = gui::Rgb(36, 66, 168);
constexpr gui::Color kSlideText = gui::Rgb(150, 158, 178);
// The tools' default colours: the reveal cover and the guide bars are blue.
constexpr gui::Color kCoverBlue = gui::Rgb(28, 60, 214);
constexpr gui::Color kBarBlue = gui::Rgb(16, 36, 236);

// A slide in a thin frame: a title, lines of text, a bar chart and a pie.
void DrawSlide(Painter& p) {
  p.FillRect({0, 0, kS, kS}, kSlideEdge);
  p.FillRect({1, 1, kS - 1, kS - 1}, kSlidePaper);
  p.FillRect({5, 5, 31, 9}, kSlideTitle);
  p.FillRect({5, 12, 37, 14}, kSlideText);
  p.FillRect({5, 16, 29, 18}, kSlideText);
  p.FillRect({5, 20, 34, 22}, kSlideText);
  const gui::Color bars[] = {gui::Rgb(240, 140, 30), gui::Rgb(60, 170, 80), gui::Rgb(220, 50, 50)};
  const double heights[] = {10, 15, 7};
  for (int i = 0; i < 3; ++i) {
    const double left = 6 + i * 7;
    p.FillRect({left, 42 - heights[i], left + 5, 42}, bars[i]);
  }
  p.FillRect({4, 42, 28, 43}, gui::Rgb(90, 96, 110));
  const Point pie{38, 35};
  p.FillCircle(pie, 6.5, gui::Rgb(60, 150, 220));
  const Point slice[] = {pie, Polar(pie, 6.5, -90), Polar(pie, 6.5, -45), Polar(pie, 6.5, 0)};
  p.FillPolygon(slice, gui::Rgb(250, 200, 40));
}

// The pointer as the tools see it: the tip is the pointer's position.
void Pointer(Painter& p, Point tip) { scenery::DrawArrowPointer(p, tip, 13); }

gui::Bitmap NewStylePicture() { return gui::Bitmap(kStylePictureSize, kStylePictureSize); }

}  // namespace

gui::Bitmap MarkStylePicture(int k) {
  if (k < 0 || k >= kMarkStyleCount) return {};
  constexpr int n = kMarkStylePictureSize;
  gui::Bitmap b(n, n, kSlidePaper);
  Painter p(b);
  p.StrokeRect({0.5, 0.5, n - 0.5, n - 0.5}, 1, gui::Rgb(170, 176, 192));
  Composite(b, 0, 0, MarkStampWithAlpha(k));
  return b;
}

gui::Bitmap RevealStylePicture(int k) {
  if (k < 0 || k >= kRevealStyleCount) return {};
  gui::Bitmap b = NewStylePicture();
  Painter p(b);
  DrawSlide(p);
  // The cover's edge stands a little past the pointer, on the side the style
  // uses; the double arrow says the edge follows the pointer along that axis.
  Rect cover;
  Point tip;
  bool horizontal = true;
  switch (k) {
    case 0: cover = {30, 1, kS - 1, kS - 1}, tip = {23, 13}; break;
    case 1: cover = {1, 1, kS - 1, 22}, tip = {20, 15}, horizontal = false; break;
    case 2: cover = {1, 1, 19, kS - 1}, tip = {12, 13}; break;
    default: cover = {1, 27, kS - 1, kS - 1}, tip = {20, 19}, horizontal = false; break;
  }
  p.FillRect(cover, kCoverBlue);
  const Point c = cover.Centre();
  if (horizontal)
    scenery::FillDoubleArrow(p, {c.x - 6, 38}, {c.x + 6, 38}, 1.6, 4, 6, gui::kWhite);
  else
    scenery::FillDoubleArrow(p, {38, c.y - 6}, {38, c.y + 6}, 1.6, 4, 6, gui::kWhite);
  Pointer(p, tip);
  return b;
}

gui::Bitmap LineStylePicture(int k) {
  if (k < 0 || k >= kLineStyleCount) return {};
  gui::Bitmap b = NewStylePicture();
  Painter p(b);
  DrawSlide(p);
  // A bar is five pixels across: white inside a blue outline, its left or top
  // edge at the pointer.
  constexpr double x = 22;
  constexpr double y = 25;
  const auto bar = [&](const Rect& r) {
    p.FillRect(r, kBarBlue);
    p.FillRect(r.Inset(1), gui::kWhite);
  };
  if (k != 1) bar({x, 0, x + 5, kS});
  if (k != 0) bar({0, y, kS, y + 5});
  if (k == 2) p.FillRect({x + 1, y + 1, x + 4, y + 4}, gui::kWhite);
  Pointer(p, {k == 1 ? 30 : x, k == 0 ? 31 : y});
  return b;
}

gui::Bitmap SpotLightStylePicture(int k) {
  if (k < 0 || k >= kSpotLightStyleCount) return {};
  gui::Bitmap b = NewStylePicture();
  Painter p(b);
  DrawSlide(p);
  // The pointer (hidden while the spot light is on) is the lit part's
  // top-left corner; a band runs across the whole picture from it.
  constexpr int kAt = 15;
  constexpr int kSize = 20;
  gui::IRect lit;
  switch (k) {
    case 0: lit = {kAt, kAt, kAt + kSize, kAt + kSize}; break;
    case 1: lit = {0, kAt, kStylePictureSize, kAt + kSize}; break;
    default: lit = {kAt, 0, kAt + kSize, kStylePictureSize}; break;
  }
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (!lit.Contains(x, y) && (x + y) % 2 == 0) b.SetPixel(x, y, gui::kBlack);
  return b;
}

gui::MaskedImage BrowseGlyph() {
  constexpr int n = kBrowseGlyphSize;
  AlphaImage g{gui::Bitmap(n, n, gui::kBlack), std::vector<std::uint8_t>(n * n, 0)};
  Painter p(g.color, &g.alpha);
  const gui::Color edge = gui::Rgb(122, 84, 12);
  // The folder's back with its tab, and the open front leaning out of it.
  p.FillRect({1, 3, 7, 5}, edge);
  p.FillRect({1, 4, 14, 14}, edge);
  p.FillRect({2, 5, 13, 13}, gui::Rgb(222, 170, 48));
  p.FillRect({2, 4, 6, 5}, gui::Rgb(222, 170, 48));
  const Point front[] = {{4, 7}, {15, 7}, {13, 14}, {1, 14}};
  p.FillPolygon(front, edge);
  const Point inner[] = {{4.7, 8}, {13.7, 8}, {12.2, 13}, {2.4, 13}};
  p.FillPolygon(inner, gui::Rgb(252, 214, 96));
  return ToMasked(g);
}

gui::MaskedImage AboutPicture() {
  AlphaImage g{gui::Bitmap(kAboutPictureWidth, kAboutPictureHeight, gui::kBlack),
               std::vector<std::uint8_t>(kAboutPictureWidth * kAboutPictureHeight, 0)};
  Painter p(g.color, &g.alpha);
  const gui::Color laser = gui::Rgb(236, 28, 32);
  // The pointer standing upright, its beam leaving the top towards a red dot.
  p.StrokeLine({16.5, 8}, {27, 3.5}, 1.6, laser);
  p.FillCircle({27.5, 3.5}, 3, laser);
  p.FillCircle({27.5, 3.5}, 1.2, gui::Rgb(255, 210, 210));
  const Rect body{9.5, 8, 23.5, 39.5};
  p.FillRoundRect(body, 6.5, gui::Rgb(22, 24, 36));
  p.FillRoundRect(body.Inset(1), 5.5,
                  Brush::Linear({body.left, 0}, gui::Rgb(120, 126, 150), {body.right, 0},
                                gui::Rgb(46, 50, 70)));
  p.FillCircle({16.5, 10}, 1.6, laser);
  p.FillCircle({16.5, 19.5}, 4.6, gui::Rgb(206, 212, 228));
  p.FillCircle({16.5, 19.5}, 2.6, gui::Rgb(70, 76, 110));
  p.FillCircle({16.5, 29}, 2.2, laser);
  p.FillCircle({13.5, 34.5}, 1.4, gui::Rgb(200, 204, 216));
  p.FillCircle({19.5, 34.5}, 1.4, gui::Rgb(200, 204, 216));
  return ToMasked(g);
}

}  // namespace artwork
