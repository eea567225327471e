// Anti-aliased vector drawing onto the project's raster, for the artwork
// that the program draws in code instead of loading from files.
//
// Every shape is a region with an inside test; a pixel's coverage is the share
// of an 8 by 8 grid of sample points inside it. Only IEEE-exact double
// operations are used on the way (no C library sin/cos, which differ in the
// last bit between platforms), so every build produces the same pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "raster/Bitmap.h"

namespace artwork {

inline constexpr double kPi = 3.14159265358979323846;

// Same value on every platform and compiler; error below 1e-15 for |radians| < 100.
double Sin(double radians);
double Cos(double radians);
inline double Radians(double degrees) { return degrees * (kPi / 180.0); }

struct Point {
  double x = 0;
  double y = 0;
  friend Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
  friend Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
  friend Point operator*(Point a, double s) { return {a.x * s, a.y * s}; }
};

// The point at distance r from c in direction `degrees` (0 = right, 90 = down).
inline Point Polar(Point c, double r, double degrees) {
  return {c.x + r * Cos(Radians(degrees)), c.y + r * Sin(Radians(degrees))};
}

struct Rect {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  double Width() const { return right - left; }
  double Height() const { return bottom - top; }
  Point Centre() const { return {(left + right) / 2, (top + bottom) / 2}; }
  Rect Inset(double d) const { return {left + d, top + d, right - d, bottom - d}; }
};

// A colour with straight (not premultiplied) opacity, 0 transparent .. 255 opaque.
struct Rgba {
  gui::Color color = gui::kBlack;
  int alpha = 255;
};

// t = 0 gives a, t = 1 gives b.
gui::Color Mix(gui::Color a, gui::Color b, double t);
inline gui::Color Lighter(gui::Color c, double t) { return Mix(c, gui::kWhite, t); }
inline gui::Color Darker(gui::Color c, double t) { return Mix(c, gui::kBlack, t); }

// Leaves at most `maxColours` colours in the picture: the most frequent ones stay,
// every other pixel takes the nearest of them. Meant for pictures that must fit an
// 8-bit palette, where the colours to drop are anti-aliasing shades.
void LimitColours(gui::Bitmap& image, std::size_t maxColours);

// What a shape is filled with, as a function of the point (user coordinates).
class Brush {
 public:
  Brush(gui::Color c, int alpha = 255);  // NOLINT: a plain colour is the common brush
  // Colour from c0 at `from` to c1 at `to`, constant beyond both ends.
  static Brush Linear(Point from, gui::Color c0, Point to, gui::Color c1);
  // From `inner` at the centre to `outer` at `radius` and beyond.
  static Brush Radial(Point centre, double radius, Rgba inner, Rgba outer);
  // The pixel of `image` under the point, the image's top-left corner at `origin`.
  static Brush Image(gui::Bitmap image, Point origin = {});

  Rgba At(Point p) const { return fn_(p); }

 private:
  explicit Brush(std::function<Rgba(Point)> fn) : fn_(std::move(fn)) {}
  std::function<Rgba(Point)> fn_;
};

// Draws on a Bitmap, optionally keeping an opacity plane beside it (one byte per
// pixel, 0 = transparent) for pictures with a transparent background.
// User coordinates map to pixels as pixel = user * scale + offset; pixel (x, y)
// covers the square [x, x + 1) by [y, y + 1), so shapes on whole coordinates are
// crisp.
class Painter {
 public:
  explicit Painter(gui::Bitmap& target, std::vector<std::uint8_t>* alpha = nullptr);

  void SetTransform(double scale, Point offset);
  double Scale() const { return scale_; }
  // Drawing is limited to this pixel rectangle (and the bitmap).
  void SetClip(const gui::IRect& clip);
  void ResetClip();

  void FillRect(const Rect& r, const Brush& brush);
  void FillRoundRect(const Rect& r, double radius, const Brush& brush);
  // Outlines are bands of the given width centred on the shape's edge.
  void StrokeRect(const Rect& r, double width, const Brush& brush);
  void StrokeRoundRect(const Rect& r, double radius, double width, const Brush& brush);
  void FillCircle(Point centre, double radius, const Brush& brush);
  void StrokeCircle(Point centre, double radius, double width, const Brush& brush);
  // An ellipse turned by `degrees` clockwise.
  void FillEllipse(Point centre, double rx, double ry, double degrees, const Brush& brush);
  // Nonzero winding, so self-overlapping outlines fill solid.
  void FillPolygon(std::span<const Point> points, const Brush& brush);
  // Thick lines with round caps and round joins; overlapping parts are painted once.
  void StrokeLine(Point a, Point b, double width, const Brush& brush);
  void StrokePolyline(std::span<const Point> points, double width, const Brush& brush,
                      bool closed = false);

  // The general fill: `inside(x, y)` tells whether a point in pixel coordinates
  // belongs to the region; nothing outside `pixelBox` is visited.
  template <class Inside>
  void FillRegion(const Rect& pixelBox, const Inside& inside, const Brush& brush);

 private:
  static constexpr int kGrid = 8;
  static constexpr int kSamples = kGrid * kGrid;

  Point ToPixel(Point p) const { return {p.x * scale_ + offset_.x, p.y * scale_ + offset_.y}; }
  Point ToUser(Point p) const { return {(p.x - offset_.x) / scale_, (p.y - offset_.y) / scale_}; }
  gui::IRect PixelSpan(const Rect& pixelBox) const;
  // Paints `coverage` (0..kSamples) of the brush over pixel (x, y).
  void Blend(int x, int y, int coverage, const Brush& brush);

  gui::Bitmap& target_;
  std::vector<std::uint8_t>* alpha_;
  double scale_ = 1;
  Point offset_{};
  gui::IRect clip_;
};

template <class Inside>
void Painter::FillRegion(const Rect& pixelBox, const Inside& inside, const Brush& brush) {
  const gui::IRect span = PixelSpan(pixelBox);
  for (int y = span.top; y < span.bottom; ++y) {
    for (int x = span.left; x < span.right; ++x) {
      int coverage = 0;
      for (int sy = 0; sy < kGrid; ++sy) {
        const double py = y + (sy + 0.5) / kGrid;
        for (int sx = 0; sx < kGrid; ++sx)
          if (inside(x + (sx + 0.5) / kGrid, py)) ++coverage;
      }
      if (coverage > 0) Blend(x, y, coverage, brush);
    }
  }
}

}  // namespace artwork
