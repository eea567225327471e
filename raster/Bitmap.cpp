#include "raster/Bitmap.h"

#include <algorithm>

namespace gui {

IRect Intersect(const IRect& a, const IRect& b) {
  IRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
  if (r.Empty()) return {};
  return r;
}

Bitmap::Bitmap(int width, int height, Color fill) {
  SetSize(width, height);
  Fill(fill);
}

void Bitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  std::vector<std::uint32_t> next(static_cast<std::size_t>(width) * height, ToDevice(kWhite));
  const int w = std::min(width, width_);
  const int h = std::min(height, height_);
  for (int y = 0; y < h; ++y)
    std::copy_n(&pixels_[static_cast<std::size_t>(y) * width_], w,
                &next[static_cast<std::size_t>(y) * width]);
  pixels_ = std::move(next);
  width_ = width;
  height_ = height;
}

void Bitmap::Fill(Color c) { std::fill(pixels_.begin(), pixels_.end(), ToDevice(c)); }

Color Bitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kBlack;
  return FromDevice(pixels_[static_cast<std::size_t>(y) * width_ + x]);
}

void Bitmap::SetPixel(int x, int y, Color c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * width_ + x] = ToDevice(c);
}

namespace raster {

void FillRect(Bitmap& dst, const IRect& r, Color c) {
  const IRect clip = Intersect(r, dst.Bounds());
  const std::uint32_t d = Bitmap::ToDevice(c);
  for (int y = clip.top; y < clip.bottom; ++y) std::fill_n(dst.Row(y) + clip.left, clip.Width(), d);
}

void FrameRect(Bitmap& dst, const IRect& r, Color c) {
  if (r.Empty()) return;
  FillRect(dst, {r.left, r.top, r.right, r.top + 1}, c);
  FillRect(dst, {r.left, r.bottom - 1, r.right, r.bottom}, c);
  FillRect(dst, {r.left, r.top, r.left + 1, r.bottom}, c);
  FillRect(dst, {r.right - 1, r.top, r.right, r.bottom}, c);
}

void Blit(Bitmap& dst, int x, int y, const Bitmap& src, const IRect& srcRect) {
  IRect s = Intersect(srcRect, src.Bounds());
  // Clip against the destination, moving the source rectangle along.
  int dx = x + (s.left - srcRect.left);
  int dy = y + (s.top - srcRect.top);
  const IRect d = Intersect({dx, dy, dx + s.Width(), dy + s.Height()}, dst.Bounds());
  if (d.Empty()) return;
  s.left += d.left - dx;
  s.top += d.top - dy;
  if (d.Width() == dst.Width() && d.Width() == src.Width()) {
    // Whole rows of bitmaps of one width lie end to end: one block.
    std::copy_n(src.Row(s.top), static_cast<std::size_t>(d.Width()) * d.Height(), dst.Row(d.top));
    return;
  }
  for (int row = 0; row < d.Height(); ++row)
    std::copy_n(src.Row(s.top + row) + s.left, d.Width(), dst.Row(d.top + row) + d.left);
}

namespace {
template <typename Put>
void StretchEach(const Bitmap& dst, const IRect& dstRect, const IRect& srcRect, Put put) {
  if (dstRect.Empty() || srcRect.Empty()) return;
  const IRect clip = Intersect(dstRect, dst.Bounds());
  for (int y = clip.top; y < clip.bottom; ++y) {
    const int sy = srcRect.top + static_cast<int>(static_cast<long long>(y - dstRect.top) *
                                                  srcRect.Height() / dstRect.Height());
    for (int x = clip.left; x < clip.right; ++x) {
      const int sx = srcRect.left + static_cast<int>(static_cast<long long>(x - dstRect.left) *
                                                     srcRect.Width() / dstRect.Width());
      put(x, y, sx, sy);
    }
  }
}
}  // namespace

void StretchBlit(Bitmap& dst, const IRect& dstRect, const Bitmap& src, const IRect& srcRect) {
  StretchEach(dst, dstRect, srcRect, [&](int x, int y, int sx, int sy) {
    if (sx >= 0 && sy >= 0 && sx < src.Width() && sy < src.Height())
      dst.Row(y)[x] = src.Row(sy)[sx];
  });
}

void DrawMasked(Bitmap& dst, int x, int y, const MaskedImage& img) {
  const Bitmap& src = img.color;
  for (int sy = 0; sy < src.Height(); ++sy) {
    const int ty = y + sy;
    if (ty < 0 || ty >= dst.Height()) continue;
    for (int sx = 0; sx < src.Width(); ++sx) {
      const int tx = x + sx;
      if (tx < 0 || tx >= dst.Width() || img.Transparent(sx, sy)) continue;
      dst.Row(ty)[tx] = src.Row(sy)[sx];
    }
  }
}

void StretchMasked(Bitmap& dst, const IRect& dstRect, const MaskedImage& img) {
  const Bitmap& src = img.color;
  StretchEach(dst, dstRect, src.Bounds(), [&](int x, int y, int sx, int sy) {
    if (!img.Transparent(sx, sy)) dst.Row(y)[x] = src.Row(sy)[sx];
  });
}

}  // namespace raster
}  // namespace gui
