#include "platform/SoftGdi.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace platform {

namespace {
constexpr int kPsNull = 5;
}

// ---- the group's entry points, for every implementation ------------------------

ScreenOps::ScreenOps() : gdi_(new SoftGdi(*this)) {}
ScreenOps::~ScreenOps() { delete gdi_; }
Hdc ScreenOps::GetWindowDC(Hwnd h) { return gdi_->GetWindowDC(h); }
int ScreenOps::ReleaseDC(Hwnd h, Hdc dc) { return gdi_->ReleaseDC(h, dc); }
Hdc ScreenOps::CreateCompatibleDC(Hdc dc) { return gdi_->CreateCompatibleDC(dc); }
bool ScreenOps::DeleteDC(Hdc dc) { return gdi_->DeleteDC(dc); }
HGdiObj ScreenOps::CreateCompatibleBitmap(Hdc dc, std::int32_t w, std::int32_t h) {
  return gdi_->CreateCompatibleBitmap(dc, w, h);
}
HGdiObj ScreenOps::CreateBitmap(std::int32_t w, std::int32_t h, std::uint32_t planes,
                                std::uint32_t bpp, const void* bits) {
  return gdi_->CreateBitmap(w, h, planes, bpp, bits);
}
HGdiObj ScreenOps::CreatePatternBrush(HGdiObj b) { return gdi_->CreatePatternBrush(b); }
HGdiObj ScreenOps::CreatePen(int style, std::int32_t w, std::uint32_t c) {
  return gdi_->CreatePen(style, w, c);
}
HGdiObj ScreenOps::SelectObject(Hdc dc, HGdiObj o) { return gdi_->SelectObject(dc, o); }
bool ScreenOps::DeleteObject(HGdiObj o) { return gdi_->DeleteObject(o); }
bool ScreenOps::MoveToEx(Hdc dc, std::int32_t x, std::int32_t y, Point* p) {
  return gdi_->MoveToEx(dc, x, y, p);
}
bool ScreenOps::LineTo(Hdc dc, std::int32_t x, std::int32_t y) { return gdi_->LineTo(dc, x, y); }
bool ScreenOps::BitBlt(Hdc d, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Hdc s,
                       std::int32_t sx, std::int32_t sy, std::uint32_t rop) {
  return gdi_->BitBlt(d, x, y, w, h, s, sx, sy, rop);
}
bool ScreenOps::StretchBlt(Hdc d, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                           Hdc s, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                           std::int32_t sh, std::uint32_t rop) {
  return gdi_->StretchBlt(d, x, y, w, h, s, sx, sy, sw, sh, rop);
}
bool ScreenOps::GetDIBits(Hdc dc, HGdiObj b, gui::Bitmap& out) {
  return gdi_->GetDIBits(dc, b, out);
}

// ---- objects ------------------------------------------------------------------------

SoftGdi::SoftGdi(ScreenOps& host) : host_(host) {
  // What a new memory device context holds: a 1x1 monochrome bitmap, a
  // black one-pixel pen and a white brush.
  stockBitmap_ = Add(BitmapObject{gui::Bitmap(1, 1, gui::kBlack), true});
  stockPen_ = Add(PenObject{});
  stockBrush_ = Add(BrushObject{});
}

HGdiObj SoftGdi::Add(Object object) {
  const HGdiObj h = next_ += 4;
  objects_.emplace(h, std::move(object));
  return h;
}

SoftGdi::Dc* SoftGdi::FindDc(Hdc dc) {
  auto it = dcs_.find(dc);
  return it == dcs_.end() ? nullptr : &it->second;
}

template <class T>
T* SoftGdi::Find(HGdiObj object) {
  auto it = objects_.find(object);
  return it == objects_.end() ? nullptr : std::get_if<T>(&it->second);
}

Hdc SoftGdi::GetWindowDC(Hwnd hwnd) {
  gui::Bitmap probe;
  if (!host_.CaptureWindowPixels(hwnd, probe)) return 0;
  const Hdc h = next_ += 4;
  dcs_[h] = {hwnd, 0, stockPen_, stockBrush_, {}};
  return h;
}

int SoftGdi::ReleaseDC(Hwnd hwnd, Hdc dc) {
  Dc* d = FindDc(dc);
  if (!d || !d->window || d->window != hwnd) return 0;
  dcs_.erase(dc);
  return 1;
}

Hdc SoftGdi::CreateCompatibleDC(Hdc dc) {
  if (dc && !FindDc(dc)) return 0;
  const Hdc h = next_ += 4;
  dcs_[h] = {0, stockBitmap_, stockPen_, stockBrush_, {}};
  return h;
}

bool SoftGdi::DeleteDC(Hdc dc) {
  Dc* d = FindDc(dc);
  if (!d || d->window) return false;
  dcs_.erase(dc);
  return true;
}

HGdiObj SoftGdi::CreateCompatibleBitmap(Hdc dc, std::int32_t width, std::int32_t height) {
  Dc* d = FindDc(dc);
  if (!d || width < 0 || height < 0) return 0;
  // Compatible with a memory context means like the bitmap it holds: a fresh
  // context's is monochrome, a classic surprise that this keeps.
  const BitmapObject* held = d->window ? nullptr : Find<BitmapObject>(d->bitmap);
  return Add(BitmapObject{gui::Bitmap(width, height, gui::kBlack), held && held->mono});
}

HGdiObj SoftGdi::CreateBitmap(std::int32_t width, std::int32_t height, std::uint32_t planes,
                              std::uint32_t bitsPerPixel, const void* bits) {
  if (width <= 0 || height <= 0 || planes != 1 || bitsPerPixel != 1) return 0;
  BitmapObject b{gui::Bitmap(width, height, gui::kBlack), true};
  if (bits) {
    const auto* bytes = static_cast<const std::uint8_t*>(bits);
    const int stride = ((width + 15) / 16) * 2;  // rows are whole 16-bit words
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (bytes[y * stride + x / 8] & (0x80 >> (x % 8))) b.pixels.SetPixel(x, y, gui::kWhite);
  }
  return Add(std::move(b));
}

HGdiObj SoftGdi::CreatePatternBrush(HGdiObj bitmap) {
  const BitmapObject* b = Find<BitmapObject>(bitmap);
  if (!b) return 0;
  return Add(BrushObject{b->pixels, gui::kWhite});
}

HGdiObj SoftGdi::CreatePen(int style, std::int32_t width, std::uint32_t color) {
  return Add(PenObject{style, std::max(width, 1), color & 0xFFFFFF});
}

HGdiObj SoftGdi::SelectObject(Hdc dc, HGdiObj object) {
  Dc* d = FindDc(dc);
  auto it = objects_.find(object);
  if (!d || it == objects_.end()) return 0;
  HGdiObj* slot = std::holds_alternative<BitmapObject>(it->second) ? &d->bitmap
                  : std::holds_alternative<PenObject>(it->second)  ? &d->pen
                                                                   : &d->brush;
  if (slot == &d->bitmap && d->window) return 0;  // a window context has no bitmap to swap
  return std::exchange(*slot, object);
}

bool SoftGdi::DeleteObject(HGdiObj object) {
  if (object == stockBitmap_ || object == stockPen_ || object == stockBrush_) return true;
  for (const auto& [h, d] : dcs_)
    if (d.bitmap == object || d.pen == object || d.brush == object) return false;  // selected
  return objects_.erase(object) > 0;
}

bool SoftGdi::GetDIBits(Hdc dc, HGdiObj bitmap, gui::Bitmap& out) {
  const BitmapObject* b = Find<BitmapObject>(bitmap);
  if (!FindDc(dc) || !b) return false;
  out = b->pixels;
  return true;
}

// ---- drawing ---------------------------------------------------------------------------

const gui::Bitmap* SoftGdi::Pixels(Dc& dc, gui::Bitmap& scratch) {
  if (dc.window) return host_.CaptureWindowPixels(dc.window, scratch) ? &scratch : nullptr;
  BitmapObject* b = Find<BitmapObject>(dc.bitmap);
  return b ? &b->pixels : nullptr;
}

template <class Draw>
bool SoftGdi::Modify(Dc& dc, Draw draw) {
  if (dc.window) {
    gui::Bitmap pixels;
    if (!host_.CaptureWindowPixels(dc.window, pixels)) return false;
    draw(pixels);
    host_.PresentWindowPixels(dc.window, 0, 0, pixels);
    return true;
  }
  BitmapObject* b = Find<BitmapObject>(dc.bitmap);
  if (!b) return false;
  draw(b->pixels);
  if (b->mono)  // a monochrome bitmap keeps white as white and makes all else black
    for (int y = 0; y < b->pixels.Height(); ++y)
      for (int x = 0; x < b->pixels.Width(); ++x)
        if (b->pixels.Pixel(x, y) != gui::kWhite) b->pixels.SetPixel(x, y, gui::kBlack);
  return true;
}

bool SoftGdi::MoveToEx(Hdc dc, std::int32_t x, std::int32_t y, Point* previous) {
  Dc* d = FindDc(dc);
  if (!d) return false;
  if (previous) *previous = d->position;
  d->position = {x, y};
  return true;
}

bool SoftGdi::LineTo(Hdc dc, std::int32_t x, std::int32_t y) {
  Dc* d = FindDc(dc);
  if (!d) return false;
  const PenObject* pen = Find<PenObject>(d->pen);
  const Point from = d->position;
  d->position = {x, y};
  if (!pen || pen->style == kPsNull) return true;
  return Modify(*d, [&](gui::Bitmap& px) {
    if (pen->width <= 1) {
      // A thin line leaves its last point out, so joined segments meet once.
      int cx = from.x, cy = from.y;
      const int dx = std::abs(x - cx), dy = -std::abs(y - cy);
      const int sx = cx < x ? 1 : -1, sy = cy < y ? 1 : -1;
      int err = dx + dy;
      while (cx != x || cy != y) {
        px.SetPixel(cx, cy, pen->color);
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, cx += sx;
        if (e2 <= dx) err += dx, cy += sy;
      }
      return;
    }
    // A wide pen has round ends: every pixel whose centre lies within half
    // the width of the segment.
    const double r = pen->width / 2.0;
    const double ax = from.x, ay = from.y, bx = x, by = y;
    const double lx = bx - ax, ly = by - ay, len2 = lx * lx + ly * ly;
    const int left = static_cast<int>(std::floor(std::min(ax, bx) - r));
    const int right = static_cast<int>(std::ceil(std::max(ax, bx) + r));
    const int top = static_cast<int>(std::floor(std::min(ay, by) - r));
    const int bottom = static_cast<int>(std::ceil(std::max(ay, by) + r));
    for (int py = std::max(top, 0); py <= std::min(bottom, px.Height() - 1); ++py)
      for (int pxl = std::max(left, 0); pxl <= std::min(right, px.Width() - 1); ++pxl) {
        double t = len2 > 0 ? ((pxl - ax) * lx + (py - ay) * ly) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        const double ex = pxl - (ax + t * lx), ey = py - (ay + t * ly);
        if (ex * ex + ey * ey < r * r) px.SetPixel(pxl, py, pen->color);
      }
  });
}

bool SoftGdi::BitBlt(Hdc dst, std::int32_t x, std::int32_t y, std::int32_t width,
                     std::int32_t height, Hdc src, std::int32_t srcX, std::int32_t srcY,
                     std::uint32_t rop) {
  return StretchBlt(dst, x, y, width, height, src, srcX, srcY, width, height, rop);
}

bool SoftGdi::StretchBlt(Hdc dst, std::int32_t x, std::int32_t y, std::int32_t width,
                         std::int32_t height, Hdc src, std::int32_t srcX, std::int32_t srcY,
                         std::int32_t srcWidth, std::int32_t srcHeight, std::uint32_t rop) {
  Dc* d = FindDc(dst);
  Dc* s = FindDc(src);
  if (!d || !s || (rop != kSrcCopy && rop != kMergeCopy)) return false;
  if (width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0)
    return width == 0 || height == 0;
  gui::Bitmap scratch;
  const gui::Bitmap* from = Pixels(*s, scratch);
  if (!from) return false;
  // The source may be the destination itself: read from a copy.
  const gui::Bitmap source = *from;
  const BrushObject* brush = Find<BrushObject>(d->brush);
  return Modify(*d, [&](gui::Bitmap& px) {
    const int x0 = std::max(x, 0), x1 = std::min(x + width, px.Width());
    const int y0 = std::max(y, 0), y1 = std::min(y + height, px.Height());
    for (int ty = y0; ty < y1; ++ty) {
      // Nearest source pixel: an enlargement repeats whole pixels.
      const int sy = srcY + static_cast<int>(static_cast<long long>(ty - y) * srcHeight / height);
      if (sy < 0 || sy >= source.Height()) continue;
      for (int tx = x0; tx < x1; ++tx) {
        const int sx = srcX + static_cast<int>(static_cast<long long>(tx - x) * srcWidth / width);
        if (sx < 0 || sx >= source.Width()) continue;
        gui::Color c = source.Pixel(sx, sy);
        if (rop == kMergeCopy && brush) {
          // The pattern repeats from the context's origin.
          const gui::Color pattern =
              brush->pattern.Empty()
                  ? brush->color
                  : brush->pattern.Pixel(tx % brush->pattern.Width(), ty % brush->pattern.Height());
          c &= pattern;
        }
        px.SetPixel(tx, ty, c);
      }
    }
  });
}

}  // namespace platform
