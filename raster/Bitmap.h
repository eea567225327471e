// The project's software raster: the pixels every window of the program shows.
//
// Both builds draw with this code, so what a native test asserts pixel by
// pixel is what the real program puts on the screen; the Win32 side only
// captures the desktop into a Bitmap and presents finished Bitmaps.
#pragma once

#include <cstdint>
#include <vector>

namespace gui {

// A colour as the program stores it: 0x00BBGGRR (red in the low byte).
using Color = std::uint32_t;

inline constexpr Color Rgb(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
inline constexpr unsigned RedOf(Color c) { return c & 0xFF; }
inline constexpr unsigned GreenOf(Color c) { return (c >> 8) & 0xFF; }
inline constexpr unsigned BlueOf(Color c) { return (c >> 16) & 0xFF; }

inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kRed = 0x0000FF;
inline constexpr Color kGreen = 0x008000;
inline constexpr Color kBlue = 0xFF0000;
inline constexpr Color kYellow = 0x00FFFF;
inline constexpr Color kGray = 0x808080;

struct IRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  friend bool operator==(const IRect&, const IRect&) = default;
};

IRect Intersect(const IRect& a, const IRect& b);

// A 32-bit top-down pixel buffer. Pixels are kept in the device layout
// 0x00RRGGBB (blue in the low byte) so that a frame goes to a Windows DIB
// without conversion; the accessors speak program colours (0x00BBGGRR).
class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, Color fill = kWhite);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  IRect Bounds() const { return {0, 0, width_, height_}; }

  // New size; the overlapping top-left part keeps its pixels, new parts are white.
  void SetSize(int width, int height);
  void Fill(Color c);

  // Out-of-range reads give black, out-of-range writes are dropped.
  Color Pixel(int x, int y) const;
  void SetPixel(int x, int y, Color c);

  const std::uint32_t* Row(int y) const { return &pixels_[static_cast<std::size_t>(y) * width_]; }
  std::uint32_t* Row(int y) { return &pixels_[static_cast<std::size_t>(y) * width_]; }
  const std::uint32_t* Data() const { return pixels_.data(); }
  std::uint32_t* Data() { return pixels_.data(); }

  static std::uint32_t ToDevice(Color c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  }
  static Color FromDevice(std::uint32_t d) {
    return ((d & 0xFF) << 16) | (d & 0xFF00) | ((d >> 16) & 0xFF);
  }

  friend bool operator==(const Bitmap&, const Bitmap&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

// A picture with a transparency mask, as icons and image-list entries are.
// mask[y*w+x] != 0 means the pixel is transparent.
struct MaskedImage {
  Bitmap color;
  std::vector<std::uint8_t> mask;
  bool Transparent(int x, int y) const {
    return mask.empty() ? false : mask[static_cast<std::size_t>(y) * color.Width() + x] != 0;
  }
};

namespace raster {

void FillRect(Bitmap& dst, const IRect& r, Color c);
// A one-pixel frame just inside r.
void FrameRect(Bitmap& dst, const IRect& r, Color c);
// Copies src's rectangle srcRect to (x, y) of dst, clipped to both.
void Blit(Bitmap& dst, int x, int y, const Bitmap& src, const IRect& srcRect);
inline void Blit(Bitmap& dst, int x, int y, const Bitmap& src) {
  Blit(dst, x, y, src, src.Bounds());
}
// Nearest-pixel stretch of srcRect onto dstRect (the system's default stretch
// for colour bitmaps keeps whole source pixels, as here).
void StretchBlit(Bitmap& dst, const IRect& dstRect, const Bitmap& src, const IRect& srcRect);
// Draws a masked picture at (x, y), leaving its transparent pixels out.
void DrawMasked(Bitmap& dst, int x, int y, const MaskedImage& img);
// Stretches a masked picture onto dstRect, transparent pixels left out.
void StretchMasked(Bitmap& dst, const IRect& dstRect, const MaskedImage& img);

}  // namespace raster
}  // namespace gui
