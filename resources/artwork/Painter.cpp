#include "resources/artwork/Painter.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace artwork {

namespace {

// sin and cos of |r| <= pi/4 by their Taylor series, which has converged to
// double precision by the terms kept here.
double SinKernel(double r) {
  const double r2 = r * r;
  double term = r;
  double sum = r;
  for (int n = 1; n <= 9; ++n) {
    term *= -r2 / ((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}

double CosKernel(double r) {
  const double r2 = r * r;
  double term = 1;
  double sum = 1;
  for (int n = 1; n <= 9; ++n) {
    term *= -r2 / ((2 * n - 1) * (2 * n));
    sum += term;
  }
  return sum;
}

// Splits x into quadrant * pi/2 + r with |r| <= pi/4; pi/2 is held in two parts
// so that the subtraction stays accurate for the angles artwork uses.
int Reduce(double x, double& r) {
  constexpr double kHalfPiHigh = 1.5707963267341256e+00;  // 33 bits of pi/2
  constexpr double kHalfPiLow = 6.0771005065061922e-11;   // the rest
  const double k = std::floor(x * (2 / kPi) + 0.5);
  r = (x - k * kHalfPiHigh) - k * kHalfPiLow;
  const long long q = static_cast<long long>(k) % 4;
  return static_cast<int>(q < 0 ? q + 4 : q);
}

unsigned MixChannel(unsigned a, unsigned b, double t) {
  return static_cast<unsigned>(std::lround(a + (static_cast<double>(b) - a) * t));
}

double DistanceSquaredToSegment(Point p, Point a, Point b) {
  const Point d = b - a;
  const Point ap = p - a;
  const double len2 = d.x * d.x + d.y * d.y;
  double t = len2 > 0 ? (ap.x * d.x + ap.y * d.y) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = ap.x - d.x * t;
  const double ey = ap.y - d.y * t;
  return ex * ex + ey * ey;
}

// A rounded rectangle's inside test; the radius is limited to what the sides allow.
struct RoundRectRegion {
  Rect r;
  double radius;
  RoundRectRegion(const Rect& rect, double rad) : r(rect) {
    radius = std::clamp(rad, 0.0, std::max(0.0, std::min(r.Width(), r.Height()) / 2));
  }
  bool operator()(double x, double y) const {
    if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return false;
    const double qx = std::clamp(x, r.left + radius, r.right - radius);
    const double qy = std::clamp(y, r.top + radius, r.bottom - radius);
    return (x - qx) * (x - qx) + (y - qy) * (y - qy) <= radius * radius;
  }
};

}  // namespace

double Sin(double radians) {
  double r = 0;
  switch (Reduce(radians, r)) {
    case 0: return SinKernel(r);
    case 1: return CosKernel(r);
    case 2: return -SinKernel(r);
    default: return -CosKernel(r);
  }
}

double Cos(double radians) {
  double r = 0;
  switch (Reduce(radians, r)) {
    case 0: return CosKernel(r);
    case 1: return -SinKernel(r);
    case 2: return -CosKernel(r);
    default: return SinKernel(r);
  }
}

gui::Color Mix(gui::Color a, gui::Color b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return gui::Rgb(MixChannel(gui::RedOf(a), gui::RedOf(b), t),
                  MixChannel(gui::GreenOf(a), gui::GreenOf(b), t),
                  MixChannel(gui::BlueOf(a), gui::BlueOf(b), t));
}

void LimitColours(gui::Bitmap& image, std::size_t maxColours) {
  if (maxColours == 0) return;
  std::map<gui::Color, std::size_t> counts;
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) ++counts[image.Pixel(x, y)];
  if (counts.size() <= maxColours) return;
  std::vector<std::pair<gui::Color, std::size_t>> byCount(counts.begin(), counts.end());
  // Ties go to the lower colour value, so the choice is the same on every run.
  std::stable_sort(byCount.begin(), byCount.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  byCount.resize(maxColours);
  std::map<gui::Color, gui::Color> replacement;
  for (const auto& [colour, count] : counts) {
    gui::Color best = byCount.front().first;
    long bestDistance = -1;
    for (const auto& [kept, keptCount] : byCount) {
      const long dr = long(gui::RedOf(colour)) - long(gui::RedOf(kept));
      const long dg = long(gui::GreenOf(colour)) - long(gui::GreenOf(kept));
      const long db = long(gui::BlueOf(colour)) - long(gui::BlueOf(kept));
      const long d = dr * dr + dg * dg + db * db;
      if (bestDistance < 0 || d < bestDistance) best = kept, bestDistance = d;
    }
    replacement[colour] = best;
  }
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) image.SetPixel(x, y, replacement[image.Pixel(x, y)]);
}

Brush::Brush(gui::Color c, int alpha) : fn_([rgba = Rgba{c, alpha}](Point) { return rgba; }) {}

Brush Brush::Linear(Point from, gui::Color c0, Point to, gui::Color c1) {
  return Brush([=](Point p) {
    const Point d = to - from;
    const double len2 = d.x * d.x + d.y * d.y;
    const double t = len2 > 0 ? ((p.x - from.x) * d.x + (p.y - from.y) * d.y) / len2 : 0;
    return Rgba{Mix(c0, c1, t), 255};
  });
}

Brush Brush::Radial(Point centre, double radius, Rgba inner, Rgba outer) {
  return Brush([=](Point p) {
    const Point d = p - centre;
    const double t = radius > 0 ? std::min(1.0, std::sqrt(d.x * d.x + d.y * d.y) / radius) : 1;
    return Rgba{Mix(inner.color, outer.color, t),
                static_cast<int>(std::lround(inner.alpha + (outer.alpha - inner.alpha) * t))};
  });
}

Brush Brush::Image(gui::Bitmap image, Point origin) {
  auto shared = std::make_shared<const gui::Bitmap>(std::move(image));
  return Brush([shared, origin](Point p) {
    if (shared->Empty()) return Rgba{gui::kBlack, 0};
    const int x = std::clamp(static_cast<int>(std::floor(p.x - origin.x)), 0, shared->Width() - 1);
    const int y = std::clamp(static_cast<int>(std::floor(p.y - origin.y)), 0, shared->Height() - 1);
    return Rgba{shared->Pixel(x, y), 255};
  });
}

Painter::Painter(gui::Bitmap& target, std::vector<std::uint8_t>* alpha)
    : target_(target), alpha_(alpha), clip_(target.Bounds()) {
  const auto pixels = static_cast<std::size_t>(target.Width()) * target.Height();
  if (alpha_ && alpha_->size() != pixels) alpha_->assign(pixels, 0);
}

void Painter::SetTransform(double scale, Point offset) {
  scale_ = scale > 0 ? scale : 1;
  offset_ = offset;
}

void Painter::SetClip(const gui::IRect& clip) { clip_ = gui::Intersect(clip, target_.Bounds()); }

void Painter::ResetClip() { clip_ = target_.Bounds(); }

gui::IRect Painter::PixelSpan(const Rect& box) const {
  // Bounds far outside the bitmap (or NaN) must not reach the int conversion.
  const auto lo = [](double v) { return static_cast<int>(std::clamp(std::floor(v), -1e6, 1e6)); };
  const auto hi = [](double v) { return static_cast<int>(std::clamp(std::ceil(v), -1e6, 1e6)); };
  if (!(box.left <= box.right) || !(box.top <= box.bottom)) return {};
  return gui::Intersect({lo(box.left), lo(box.top), hi(box.right), hi(box.bottom)}, clip_);
}

void Painter::Blend(int x, int y, int coverage, const Brush& brush) {
  const Rgba src = brush.At(ToUser({x + 0.5, y + 0.5}));
  const std::int64_t w = std::int64_t{coverage} * std::clamp(src.alpha, 0, 255);
  if (w <= 0) return;
  constexpr std::int64_t kFull = std::int64_t{kSamples} * 255;
  const gui::Color dst = target_.Pixel(x, y);
  const std::size_t index = static_cast<std::size_t>(y) * target_.Width() + x;

  if (!alpha_) {
    const auto channel = [&](unsigned s, unsigned d) {
      return static_cast<unsigned>((d * (kFull - w) + s * w + kFull / 2) / kFull);
    };
    target_.SetPixel(x, y,
                     gui::Rgb(channel(gui::RedOf(src.color), gui::RedOf(dst)),
                              channel(gui::GreenOf(src.color), gui::GreenOf(dst)),
                              channel(gui::BlueOf(src.color), gui::BlueOf(dst))));
    return;
  }
  // Source over destination with straight colours: the result's colour is the
  // opacity-weighted mean of both, so a half-covered edge pixel over a
  // transparent one keeps the shape's own colour and gets half the opacity.
  const std::int64_t dstAlpha = (*alpha_)[index];
  const std::int64_t dstWeight = dstAlpha * (kFull - w);
  const std::int64_t total = w * 255 + dstWeight;
  const auto channel = [&](unsigned s, unsigned d) {
    return static_cast<unsigned>((s * w * 255 + d * dstWeight + total / 2) / total);
  };
  target_.SetPixel(x, y,
                   gui::Rgb(channel(gui::RedOf(src.color), gui::RedOf(dst)),
                            channel(gui::GreenOf(src.color), gui::GreenOf(dst)),
                            channel(gui::BlueOf(src.color), gui::BlueOf(dst))));
  (*alpha_)[index] = static_cast<std::uint8_t>((total + kFull / 2) / kFull);
}

void Painter::FillRect(const Rect& r, const Brush& brush) {
  const Point a = ToPixel({r.left, r.top});
  const Point b = ToPixel({r.right, r.bottom});
  FillRegion(
      {a.x, a.y, b.x, b.y},
      [&](double x, double y) { return x >= a.x && x < b.x && y >= a.y && y < b.y; }, brush);
}

void Painter::FillRoundRect(const Rect& r, double radius, const Brush& brush) {
  const Point a = ToPixel({r.left, r.top});
  const Point b = ToPixel({r.right, r.bottom});
  const RoundRectRegion region({a.x, a.y, b.x, b.y}, radius * scale_);
  FillRegion(region.r, region, brush);
}

void Painter::StrokeRect(const Rect& r, double width, const Brush& brush) {
  StrokeRoundRect(r, 0, width, brush);
}

void Painter::StrokeRoundRect(const Rect& r, double radius, double width, const Brush& brush) {
  const Point a = ToPixel({r.left, r.top});
  const Point b = ToPixel({r.right, r.bottom});
  const Rect pr{a.x, a.y, b.x, b.y};
  const double half = width * scale_ / 2;
  const double rad = radius * scale_;
  const RoundRectRegion outer(pr.Inset(-half), rad > 0 ? rad + half : 0);
  const RoundRectRegion inner(pr.Inset(half), std::max(0.0, rad - half));
  FillRegion(
      outer.r, [&](double x, double y) { return outer(x, y) && !inner(x, y); }, brush);
}

void Painter::FillCircle(Point centre, double radius, const Brush& brush) {
  FillEllipse(centre, radius, radius, 0, brush);
}

void Painter::StrokeCircle(Point centre, double radius, double width, const Brush& brush) {
  const Point c = ToPixel(centre);
  const double outer = (radius + width / 2) * scale_;
  const double inner = std::max(0.0, radius - width / 2) * scale_;
  FillRegion(
      {c.x - outer, c.y - outer, c.x + outer, c.y + outer},
      [&](double x, double y) {
        const double d2 = (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y);
        return d2 <= outer * outer && d2 > inner * inner;
      },
      brush);
}

void Painter::FillEllipse(Point centre, double rx, double ry, double degrees, const Brush& brush) {
  const Point c = ToPixel(centre);
  const double a = rx * scale_;
  const double b = ry * scale_;
  if (a <= 0 || b <= 0) return;
  const double cs = Cos(Radians(degrees));
  const double sn = Sin(Radians(degrees));
  const double reach = std::max(a, b);
  FillRegion(
      {c.x - reach, c.y - reach, c.x + reach, c.y + reach},
      [&](double x, double y) {
        const double dx = x - c.x;
        const double dy = y - c.y;
        const double u = (dx * cs + dy * sn) / a;
        const double v = (dy * cs - dx * sn) / b;
        return u * u + v * v <= 1;
      },
      brush);
}

void Painter::FillPolygon(std::span<const Point> points, const Brush& brush) {
  if (points.size() < 3) return;
  std::vector<Point> px;
  px.reserve(points.size());
  Rect box{1e300, 1e300, -1e300, -1e300};
  for (const Point& p : points) {
    px.push_back(ToPixel(p));
    box = {std::min(box.left, px.back().x), std::min(box.top, px.back().y),
           std::max(box.right, px.back().x), std::max(box.bottom, px.back().y)};
  }
  FillRegion(
      box,
      [&](double x, double y) {
        int winding = 0;
        for (std::size_t i = 0; i < px.size(); ++i) {
          const Point a = px[i];
          const Point b = px[(i + 1) % px.size()];
          const double side = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
          if (a.y <= y && b.y > y && side > 0) ++winding;
          if (a.y > y && b.y <= y && side < 0) --winding;
        }
        return winding != 0;
      },
      brush);
}

void Painter::StrokeLine(Point a, Point b, double width, const Brush& brush) {
  const Point points[] = {a, b};
  StrokePolyline(points, width, brush);
}

void Painter::StrokePolyline(std::span<const Point> points, double width, const Brush& brush,
                             bool closed) {
  if (points.empty() || width <= 0) return;
  std::vector<Point> px;
  px.reserve(points.size() + 1);
  for (const Point& p : points) px.push_back(ToPixel(p));
  if (closed && px.size() > 2) px.push_back(px.front());
  if (px.size() == 1) px.push_back(px.front());
  const double half = width * scale_ / 2;
  Rect box{1e300, 1e300, -1e300, -1e300};
  for (const Point& p : px)
    box = {std::min(box.left, p.x - half), std::min(box.top, p.y - half),
           std::max(box.right, p.x + half), std::max(box.bottom, p.y + half)};
  FillRegion(
      box,
      [&](double x, double y) {
        for (std::size_t i = 0; i + 1 < px.size(); ++i)
          if (DistanceSquaredToSegment({x, y}, px[i], px[i + 1]) <= half * half) return true;
        return false;
      },
      brush);
}

}  // namespace artwork
