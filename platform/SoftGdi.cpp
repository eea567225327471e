#include "platform/SoftGdi.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace platform {

namespace {

// Each of n source pixels written factor times in a row.
template <int factor>
void Widen(const std::uint32_t* in, std::uint32_t* out, int n) {
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < factor; ++k) out[i * factor + k] = in[i];
}

constexpr int kPsNull = 5;

}  // namespace

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
gui::Bitmap* ScreenOps::WindowSurface(Hwnd h) { return gdi_->WindowSurface(h); }
gui::Bitmap* ScreenOps::MemoryDcPixels(Hdc dc) { return gdi_->MemoryDcPixels(dc); }
int ScreenOps::DcCount() const { return gdi_->DcCount(); }
int ScreenOps::GdiObjectCount() const { return gdi_->GdiObjectCount(); }

// ---- objects ------------------------------------------------------------------------

SoftGdi::SoftGdi(ScreenOps& host) : host_(host) {
  // What a new device context holds: a 1x1 monochrome bitmap, a black
  // one-pixel pen and a white brush.
  stockBitmap_ = Add({BitmapObject{gui::Bitmap(1, 1, gui::kBlack), true}});
  stockPen_ = Add({PenObject{}});
  stockBrush_ = Add({BrushObject{}});
}

HGdiObj SoftGdi::Add(Object object) {
  const HGdiObj h = next_ += 4;
  objects_.emplace(h, std::move(object));
  return h;
}

bool SoftGdi::Stock(HGdiObj object) const {
  return object == stockBitmap_ || object == stockPen_ || object == stockBrush_;
}

void SoftGdi::Hold(HGdiObj object) {
  if (auto it = objects_.find(object); it != objects_.end()) ++it->second.selections;
}

// An object deleted while selected goes once no device context holds it.
void SoftGdi::Let(HGdiObj object) {
  auto it = objects_.find(object);
  if (it == objects_.end()) return;
  if (--it->second.selections <= 0 && it->second.deleted) objects_.erase(it);
}

SoftGdi::Dc* SoftGdi::FindDc(Hdc dc) {
  auto it = dcs_.find(dc);
  return it == dcs_.end() ? nullptr : &it->second;
}

template <class T>
T* SoftGdi::Find(HGdiObj object) {
  auto it = objects_.find(object);
  return it == objects_.end() ? nullptr : std::get_if<T>(&it->second.data);
}

gui::Bitmap* SoftGdi::WindowSurface(Hwnd hwnd) {
  Rect r;
  bool own = false;
  if (!hwnd || !host_.WindowArea(hwnd, &r, &own) || !own) {
    surfaces_.erase(hwnd);
    return nullptr;
  }
  auto [it, fresh] = surfaces_.try_emplace(hwnd);
  if (fresh) {
    // A new window: the surfaces of windows that have gone since go too.
    for (auto other = surfaces_.begin(); other != surfaces_.end();) {
      Rect unused;
      bool alsoOwn = false;
      if (other != it && !(host_.WindowArea(other->first, &unused, &alsoOwn) && alsoOwn))
        other = surfaces_.erase(other);
      else
        ++other;
    }
    // Never painted: black, as a capture of such a window reads.
    it->second = gui::Bitmap(r.Width(), r.Height(), gui::kBlack);
  } else if (it->second.Width() != r.Width() || it->second.Height() != r.Height()) {
    it->second.SetSize(r.Width(), r.Height());
  }
  return &it->second;
}

Hdc SoftGdi::GetWindowDC(Hwnd hwnd) {
  Rect r;
  bool own = false;
  if (!host_.WindowArea(hwnd, &r, &own)) return 0;
  const Hdc h = next_ += 4;
  const Point origin = host_.IsScreenWindow(hwnd) ? Point{r.left, r.top} : Point{};
  dcs_[h] = {hwnd, own, 0, stockPen_, stockBrush_, {}, origin};
  Hold(stockPen_);
  Hold(stockBrush_);
  return h;
}

void SoftGdi::DropDc(Hdc dc) {
  const Dc d = dcs_.at(dc);
  dcs_.erase(dc);
  Let(d.bitmap);
  Let(d.pen);
  Let(d.brush);
}

int SoftGdi::ReleaseDC(Hwnd hwnd, Hdc dc) {
  Dc* d = FindDc(dc);
  if (!d || !d->window || d->window != hwnd) return 0;
  DropDc(dc);
  return 1;
}

Hdc SoftGdi::CreateCompatibleDC(Hdc dc) {
  if (dc && !FindDc(dc)) return 0;
  const Hdc h = next_ += 4;
  dcs_[h] = {0, false, stockBitmap_, stockPen_, stockBrush_, {}, {}};
  Hold(stockBitmap_);
  Hold(stockPen_);
  Hold(stockBrush_);
  return h;
}

// The system also deletes a window's context this way (it is then gone,
// and releasing it later fails).
bool SoftGdi::DeleteDC(Hdc dc) {
  if (!FindDc(dc)) return false;
  DropDc(dc);
  return true;
}

HGdiObj SoftGdi::CreateCompatibleBitmap(Hdc dc, std::int32_t width, std::int32_t height) {
  Dc* d = FindDc(dc);
  if (!d || width < 0 || height < 0) return 0;
  // Compatible with a memory context means like the bitmap it holds: a fresh
  // context's is monochrome, a classic surprise that this keeps.
  const BitmapObject* held = d->window ? nullptr : Find<BitmapObject>(d->bitmap);
  return Add({BitmapObject{gui::Bitmap(width, height, gui::kBlack), held && held->mono}});
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
  return Add({std::move(b)});
}

HGdiObj SoftGdi::CreatePatternBrush(HGdiObj bitmap) {
  const BitmapObject* b = Find<BitmapObject>(bitmap);
  if (!b) return 0;
  // The brush keeps its own copy: deleting the bitmap later leaves it whole.
  return Add({BrushObject{b->pixels, gui::kWhite}});
}

HGdiObj SoftGdi::CreatePen(int style, std::int32_t width, std::uint32_t color) {
  return Add({PenObject{style, std::max(width, 1), color & 0xFFFFFF}});
}

HGdiObj SoftGdi::SelectObject(Hdc dc, HGdiObj object) {
  Dc* d = FindDc(dc);
  auto it = objects_.find(object);
  if (!d || it == objects_.end() || it->second.deleted) return 0;
  const auto& data = it->second.data;
  HGdiObj* slot = std::holds_alternative<BitmapObject>(data) ? &d->bitmap
                  : std::holds_alternative<PenObject>(data)  ? &d->pen
                                                             : &d->brush;
  if (slot == &d->bitmap) {
    if (d->window) return 0;  // a window context has no bitmap to swap
    // A bitmap is in one memory context at a time.
    if (object != d->bitmap && !Stock(object) && it->second.selections > 0) return 0;
  }
  if (*slot == object) return object;
  Hold(object);
  const HGdiObj old = std::exchange(*slot, object);
  Let(old);
  return old;
}

// As the system does it: deleting an object that a device context still
// holds succeeds, and the object lives on until it is selected out or its
// context goes; stock objects stay; a handle that names nothing fails.
bool SoftGdi::DeleteObject(HGdiObj object) {
  auto it = objects_.find(object);
  if (it == objects_.end()) return false;
  if (Stock(object)) return true;
  if (it->second.selections > 0) {
    it->second.deleted = true;
    return true;
  }
  objects_.erase(it);
  return true;
}

bool SoftGdi::GetDIBits(Hdc dc, HGdiObj bitmap, gui::Bitmap& out) {
  const BitmapObject* b = Find<BitmapObject>(bitmap);
  if (!FindDc(dc) || !b) return false;
  out = b->pixels;
  return true;
}

gui::Bitmap* SoftGdi::MemoryDcPixels(Hdc dc) {
  Dc* d = FindDc(dc);
  if (!d || d->window) return nullptr;
  BitmapObject* b = Find<BitmapObject>(d->bitmap);
  // A monochrome bitmap holds black and white only: no place for colours.
  return b && !b->mono ? &b->pixels : nullptr;
}

// ---- drawing ---------------------------------------------------------------------------

const gui::Bitmap* SoftGdi::Pixels(Dc& dc, gui::Bitmap& scratch) {
  if (dc.window) {
    if (dc.own) return WindowSurface(dc.window);
    return host_.CaptureWindowPixels(dc.window, scratch) ? &scratch : nullptr;
  }
  BitmapObject* b = Find<BitmapObject>(dc.bitmap);
  return b ? &b->pixels : nullptr;
}

template <class Draw>
bool SoftGdi::Modify(Dc& dc, Draw draw) {
  if (dc.window) {
    gui::Bitmap captured;
    gui::Bitmap* pixels = nullptr;
    if (dc.own) {
      pixels = WindowSurface(dc.window);
    } else if (host_.CaptureWindowPixels(dc.window, captured)) {
      // Only the system holds the pixels of the desktop and of other
      // programs' windows.
      pixels = &captured;
    }
    if (!pixels) return false;  // the window has gone
    const gui::IRect changed = gui::Intersect(draw(*pixels), pixels->Bounds());
    if (!changed.Empty()) host_.PresentWindowPixels(dc.window, *pixels, changed);
    return true;
  }
  BitmapObject* b = Find<BitmapObject>(dc.bitmap);
  if (!b) return false;
  const gui::IRect changed = gui::Intersect(draw(b->pixels), b->pixels.Bounds());
  if (b->mono)  // a monochrome bitmap keeps white as white and makes all else black
    for (int y = changed.top; y < changed.bottom; ++y)
      for (int x = changed.left; x < changed.right; ++x)
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
  const Point from{d->position.x - d->origin.x, d->position.y - d->origin.y};
  d->position = {x, y};
  x -= d->origin.x;
  y -= d->origin.y;
  if (!pen || pen->style == kPsNull) return true;
  return Modify(*d, [&](gui::Bitmap& px) -> gui::IRect {
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
      return {std::min(from.x, x), std::min(from.y, y), std::max(from.x, x) + 1,
              std::max(from.y, y) + 1};
    }
    // A wide pen has round ends: every pixel whose centre lies within half
    // the width of the segment.
    const double r = pen->width / 2.0;
    const double ax = from.x, ay = from.y, bx = x, by = y;
    const double lx = bx - ax, ly = by - ay, len2 = lx * lx + ly * ly;
    const gui::IRect box = gui::Intersect({static_cast<int>(std::floor(std::min(ax, bx) - r)),
                                           static_cast<int>(std::floor(std::min(ay, by) - r)),
                                           static_cast<int>(std::ceil(std::max(ax, bx) + r)) + 1,
                                           static_cast<int>(std::ceil(std::max(ay, by) + r)) + 1},
                                          px.Bounds());
    for (int py = box.top; py < box.bottom; ++py)
      for (int pxl = box.left; pxl < box.right; ++pxl) {
        double t = len2 > 0 ? ((pxl - ax) * lx + (py - ay) * ly) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        const double ex = pxl - (ax + t * lx), ey = py - (ay + t * ly);
        if (ex * ex + ey * ey < r * r) px.SetPixel(pxl, py, pen->color);
      }
    return box;
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
  x -= d->origin.x;
  y -= d->origin.y;
  gui::Bitmap scratch;
  const gui::Bitmap* from = nullptr;
  Rect screen;
  bool own = false;
  if (s->window && !s->own && host_.IsScreenWindow(s->window)) {
    // Only the part of the screen the transfer reads.
    if (!host_.WindowArea(s->window, &screen, &own)) return false;
    const auto to = [](std::int64_t v, std::int32_t low, std::int32_t high) {
      return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, low, high));
    };
    const Rect part{to(srcX, screen.left, screen.right), to(srcY, screen.top, screen.bottom),
                    to(std::int64_t{srcX} + srcWidth, screen.left, screen.right),
                    to(std::int64_t{srcY} + srcHeight, screen.top, screen.bottom)};
    // A grab of the screen at its own size that covers a memory bitmap (the
    // capture) reads straight into it: every pixel is the screen's.
    BitmapObject* into = d->window ? nullptr : Find<BitmapObject>(d->bitmap);
    if (into && !into->mono && rop == kSrcCopy && width == srcWidth && height == srcHeight &&
        x == 0 && y == 0 && width == into->pixels.Width() && height == into->pixels.Height() &&
        part.left == srcX && part.top == srcY && part.Width() == width && part.Height() == height)
      return host_.CaptureScreenPart(part, into->pixels);
    if (!host_.CaptureScreenPart(part, scratch)) return false;
    from = &scratch;
    srcX -= part.left;
    srcY -= part.top;
  } else {
    from = Pixels(*s, scratch);
    if (!from) return false;
  }
  const BrushObject* brush = rop == kMergeCopy ? Find<BrushObject>(d->brush) : nullptr;
  return Modify(*d, [&](gui::Bitmap& px) -> gui::IRect {
    // The source may be the destination itself: read from a copy then.
    gui::Bitmap copy;
    const gui::Bitmap& source = &px == from ? (copy = *from) : *from;
    const gui::IRect area = gui::Intersect({x, y, x + width, y + height}, px.Bounds());
    if (area.Empty()) return {};
    // Nearest source pixel: an enlargement repeats whole pixels. A column
    // or row that falls outside the source is left as it was.
    std::vector<int> columns(static_cast<std::size_t>(area.Width()));
    for (int tx = area.left; tx < area.right; ++tx)
      columns[static_cast<std::size_t>(tx - area.left)] =
          srcX + static_cast<int>(static_cast<long long>(tx - x) * srcWidth / width);
    const bool oneToOne = width == srcWidth && rop == kSrcCopy;
    if (brush) {
      for (int ty = area.top; ty < area.bottom; ++ty) {
        const int sy = srcY + static_cast<int>(static_cast<long long>(ty - y) * srcHeight / height);
        if (sy < 0 || sy >= source.Height()) continue;
        const std::uint32_t* in = source.Row(sy);
        std::uint32_t* out = px.Row(ty);
        for (int tx = area.left; tx < area.right; ++tx) {
          const int sx = columns[static_cast<std::size_t>(tx - area.left)];
          if (sx < 0 || sx >= source.Width()) continue;
          // The pattern repeats from the context's origin. Both sides are in
          // the device's byte order, and AND does not care which.
          const gui::Color pattern =
              brush->pattern.Empty()
                  ? brush->color
                  : brush->pattern.Pixel(tx % brush->pattern.Width(), ty % brush->pattern.Height());
          out[tx] = in[sx] & gui::Bitmap::ToDevice(pattern);
        }
      }
      return area;
    }
    // A plain copy at another scale: the columns come in runs that repeat one
    // source pixel, found once for all rows. The map only ever rises, so the
    // columns inside the source are one unbroken stretch.
    struct Run {
      int from, to, sx;  // destination columns [from, to) show source column sx
    };
    std::vector<Run> runs;
    for (int tx = area.left; tx < area.right; ++tx) {
      const int sx = columns[static_cast<std::size_t>(tx - area.left)];
      if (sx < 0 || sx >= source.Width()) continue;
      if (!runs.empty() && runs.back().sx == sx && runs.back().to == tx)
        ++runs.back().to;
      else
        runs.push_back({tx, tx + 1, sx});
    }
    if (runs.empty()) return area;
    const int first = runs.front().from, last = runs.back().to;
    // An enlargement by 2 or 4 (Zoom's usual ones): between the first and
    // the last run, which the area's edges may cut short, every run is that
    // many columns of consecutive source pixels, widened in one tight loop.
    int factor = 0;
    const std::size_t inner = runs.size() > 2 ? 1 : 0;
    const int innerRuns = runs.size() > 2 ? static_cast<int>(runs.size()) - 2 : 0;
    if (innerRuns > 0) {
      factor = runs[1].to - runs[1].from;
      for (std::size_t i = 1; i + 1 < runs.size() && factor; ++i)
        if (runs[i].to - runs[i].from != factor ||
            runs[i].sx != runs[1].sx + static_cast<int>(i - 1))
          factor = 0;
    }
    const std::array<Run, 2> edges{runs.front(), runs.back()};
    int lastSy = -1, lastTy = -1;  // the row drawn last and the source row it shows
    for (int ty = area.top; ty < area.bottom; ++ty) {
      const int sy = srcY + static_cast<int>(static_cast<long long>(ty - y) * srcHeight / height);
      if (sy < 0 || sy >= source.Height()) continue;
      std::uint32_t* out = px.Row(ty);
      if (sy == lastSy) {
        // An enlarged row again: the same pixels as the row above it.
        std::copy(px.Row(lastTy) + first, px.Row(lastTy) + last, out + first);
      } else {
        const std::uint32_t* in = source.Row(sy);
        if (oneToOne)
          std::copy(in + (first - x + srcX), in + (last - x + srcX), out + first);
        else if (factor == 2)
          Widen<2>(in + runs[inner].sx, out + runs[inner].from, innerRuns);
        else if (factor == 4)
          Widen<4>(in + runs[inner].sx, out + runs[inner].from, innerRuns);
        else
          for (const Run& run : runs) std::fill(out + run.from, out + run.to, in[run.sx]);
        if (factor == 2 || factor == 4)
          for (const Run& run : edges) std::fill(out + run.from, out + run.to, in[run.sx]);
      }
      lastSy = sy;
      lastTy = ty;
    }
    return area;
  });
}

}  // namespace platform
