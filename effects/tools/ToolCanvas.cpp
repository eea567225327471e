#include "effects/tools/ToolCanvas.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace tools {
namespace {

int Clamp32(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN / 2, INT_MAX / 2));
}

}  // namespace

gui::IRect OrderedRect(std::int64_t left, std::int64_t top, std::int64_t right,
                       std::int64_t bottom) {
  return {Clamp32(std::min(left, right)), Clamp32(std::min(top, bottom)),
          Clamp32(std::max(left, right)), Clamp32(std::max(top, bottom))};
}

gui::IRect FillFramedRect(gui::Bitmap& dst, const gui::IRect& r, gui::Color brush, int penWidth,
                          gui::Color pen) {
  const gui::IRect clipped = gui::Intersect(r, dst.Bounds());
  if (clipped.Empty()) return {};
  gui::raster::FillRect(dst, clipped, brush);
  FrameRectWidth(dst, r, penWidth, pen);
  return clipped;
}

std::array<gui::IRect, 4> FrameBands(const gui::IRect& r, int penWidth) {
  if (r.Empty()) return {};
  const int w = std::clamp(penWidth, 1, std::max(r.Width(), r.Height()));
  // Four bands: top and bottom across the whole width, the sides between.
  const int t = std::min(w, r.Height()), s = std::min(w, r.Width());
  return {gui::IRect{r.left, r.top, r.right, r.top + t},
          gui::IRect{r.left, std::max(r.bottom - t, r.top + t), r.right, r.bottom},
          gui::IRect{r.left, r.top + t, r.left + s, r.bottom - t},
          gui::IRect{std::max(r.right - s, r.left + s), r.top + t, r.right, r.bottom - t}};
}

gui::IRect FrameRectWidth(gui::Bitmap& dst, const gui::IRect& r, int penWidth, gui::Color pen) {
  if (r.Empty()) return {};
  for (const gui::IRect& b : FrameBands(r, penWidth)) {
    const gui::IRect c = gui::Intersect(b, dst.Bounds());
    if (!c.Empty()) gui::raster::FillRect(dst, c, pen);
  }
  return gui::Intersect(r, dst.Bounds());
}

void DrawShapes(gui::Bitmap& dst, const Shapes& shapes, const gui::IRect& clip) {
  const gui::IRect area = gui::Intersect(clip, dst.Bounds());
  if (area.Empty()) return;
  for (const FramedShape& s : shapes) {
    const gui::IRect inside = gui::Intersect(s.rect, area);
    if (inside.Empty()) continue;
    gui::raster::FillRect(dst, inside, s.brush);
    for (const gui::IRect& b : FrameBands(s.rect, s.penWidth)) {
      const gui::IRect c = gui::Intersect(b, area);
      if (!c.Empty()) gui::raster::FillRect(dst, c, s.pen);
    }
  }
}

std::vector<gui::IRect> Subtract(const gui::IRect& a, const gui::IRect& b) {
  if (a.Empty()) return {};
  const gui::IRect i = gui::Intersect(a, b);
  if (i.Empty()) return {a};
  std::vector<gui::IRect> out;
  for (const gui::IRect& r :
       {gui::IRect{a.left, a.top, a.right, i.top}, gui::IRect{a.left, i.bottom, a.right, a.bottom},
        gui::IRect{a.left, i.top, i.left, i.bottom}, gui::IRect{i.right, i.top, a.right, i.bottom}})
    if (!r.Empty()) out.push_back(r);
  return out;
}

std::vector<gui::IRect> ShapesChange(const Shapes& before, const Shapes& after,
                                     const gui::IRect& bounds) {
  if (before == after) return {};
  const auto solid = [](const Shapes& s) { return s.size() == 1 && s[0].brush == s[0].pen; };
  std::vector<gui::IRect> out;
  if (solid(before) && solid(after) && before[0].brush == after[0].brush) {
    // One colour over both: only where one covers and the other does not.
    const gui::IRect a = gui::Intersect(before[0].rect, bounds),
                     b = gui::Intersect(after[0].rect, bounds);
    for (const gui::IRect& r : Subtract(a, b)) out.push_back(r);
    for (const gui::IRect& r : Subtract(b, a)) out.push_back(r);
    return out;
  }
  for (const Shapes* set : {&before, &after})
    for (const FramedShape& s : *set) {
      const gui::IRect r = gui::Intersect(s.rect, bounds);
      if (!r.Empty()) out.push_back(r);
    }
  return out;
}

namespace {

// A pen wider than twice the screen's extent around the segment covers
// every pixel already; the cap keeps the arithmetic finite.
double PenRadius(const gui::Bitmap& dst, std::int64_t width) {
  const std::int64_t cap = 2 * (std::int64_t{dst.Width()} + dst.Height()) + 4;
  return static_cast<double>(std::min(width, cap)) / 2.0;
}

}  // namespace

gui::IRect PenLineBounds(const gui::Bitmap& dst, int x0, int y0, int x1, int y1,
                         std::int64_t width) {
  if (width <= 1)
    return gui::Intersect(
        OrderedRect(std::min(x0, x1), std::min(y0, y1), std::int64_t{std::max(x0, x1)} + 1,
                    std::int64_t{std::max(y0, y1)} + 1),
        dst.Bounds());
  const double r = PenRadius(dst, width);
  const double ax = x0, ay = y0, bx = x1, by = y1;
  return gui::Intersect(OrderedRect(static_cast<std::int64_t>(std::floor(std::min(ax, bx) - r)),
                                    static_cast<std::int64_t>(std::floor(std::min(ay, by) - r)),
                                    static_cast<std::int64_t>(std::ceil(std::max(ax, bx) + r)) + 1,
                                    static_cast<std::int64_t>(std::ceil(std::max(ay, by) + r)) + 1),
                        dst.Bounds());
}

gui::IRect PenLine(gui::Bitmap& dst, int x0, int y0, int x1, int y1, std::int64_t width,
                   gui::Color colour, RasterMode mode) {
  const std::uint32_t device = gui::Bitmap::ToDevice(colour);
  auto plot = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= dst.Width() || y >= dst.Height()) return;
    std::uint32_t& px = dst.Row(y)[x];
    px = mode == RasterMode::Mask ? (px & device) : device;
  };
  if (width <= 1) {
    std::int64_t cx = x0, cy = y0;
    const std::int64_t dx = std::llabs(std::int64_t{x1} - x0),
                       dy = -std::llabs(std::int64_t{y1} - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    std::int64_t err = dx + dy;
    while (cx != x1 || cy != y1) {
      plot(static_cast<int>(cx), static_cast<int>(cy));
      const std::int64_t e2 = 2 * err;
      if (e2 >= dy) err += dy, cx += sx;
      if (e2 <= dx) err += dx, cy += sy;
    }
    return PenLineBounds(dst, x0, y0, x1, y1, width);
  }
  const double r = PenRadius(dst, width);
  const double ax = x0, ay = y0, bx = x1, by = y1;
  const double lx = bx - ax, ly = by - ay, len2 = lx * lx + ly * ly;
  const gui::IRect box = PenLineBounds(dst, x0, y0, x1, y1, width);
  for (int py = box.top; py < box.bottom; ++py)
    for (int px = box.left; px < box.right; ++px) {
      double t = len2 > 0 ? ((px - ax) * lx + (py - ay) * ly) / len2 : 0;
      t = std::clamp(t, 0.0, 1.0);
      const double ex = px - (ax + t * lx), ey = py - (ay + t * ly);
      if (ex * ex + ey * ey < r * r) plot(px, py);
    }
  return box;
}

}  // namespace tools
