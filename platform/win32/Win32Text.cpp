// Text through GDI. The glyphs are drawn white on black into a DIB section
// the size of the text's box, without anti-aliasing, and every lit pixel
// becomes one pixel of the text colour in the raster bitmap: the colour is
// exact and the background shows through everything else.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/win32/Win32Platform.h"

namespace platform {

namespace {

// A memory context holding the font, released with it.
class FontDc {
 public:
  explicit FontDc(const TextFont& font) {
    if (font.charHeight < kMinCharHeight || font.charHeight > kMaxCharHeight) return;
    // A negative height asks for the character height, not the cell's.
    // The system takes weights from 0 to 1000 (0: the face's default).
    const int weight = std::clamp(font.weight, 0, 1000);
    font_ = ::CreateFontA(-font.charHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, font.face.c_str());
    dc_ = ::CreateCompatibleDC(nullptr);
    if (font_ && dc_) old_ = ::SelectObject(dc_, font_);
  }
  ~FontDc() {
    if (dc_ && old_) ::SelectObject(dc_, old_);
    if (dc_) ::DeleteDC(dc_);
    if (font_) ::DeleteObject(font_);
  }
  FontDc(const FontDc&) = delete;
  FontDc& operator=(const FontDc&) = delete;

  HDC dc() const { return old_ ? dc_ : nullptr; }

 private:
  HFONT font_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// GDI takes a text's length as an int.
int LengthOf(std::string_view text) {
  return static_cast<int>(std::min<std::size_t>(text.size(), INT32_MAX));
}

// How far the ink of a text reaches past its advance: a bold face the
// system emboldens itself draws the last glyph wider than it advances, and
// neither the extent nor the ABC widths tell. Found by drawing the text.
LONG InkPastAdvance(HDC dc, std::string_view text, SIZE size) {
  if (text.empty() || size.cx <= 0 || size.cy <= 0) return 0;
  const int margin = size.cy / 2 + 2;
  const int w = size.cx + margin, h = size.cy;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) {
    if (dib) ::DeleteObject(dib);
    return 0;
  }
  std::fill_n(static_cast<std::uint32_t*>(bits), static_cast<std::size_t>(w) * h, 0u);
  HGDIOBJ old = ::SelectObject(dc, dib);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(255, 255, 255));
  ::TextOutA(dc, 0, 0, text.data(), LengthOf(text));
  ::GdiFlush();
  int right = 0;
  for (int row = 0; row < h; ++row) {
    const auto* px = static_cast<const std::uint32_t*>(bits) + static_cast<std::size_t>(row) * w;
    for (int col = w - 1; col >= right; --col)
      if (px[col] & 0x00FFFFFF) {
        right = col + 1;
        break;
      }
  }
  ::SelectObject(dc, old);
  ::DeleteObject(dib);
  return right > size.cx ? right - size.cx : 0;
}

// The text's box: its advance and cell height, widened by what the ink
// reaches past the advance, so that every pixel of the text
// lies inside the box.
bool ExtentOf(HDC dc, std::string_view text, SIZE* size) {
  if (!::GetTextExtentPoint32A(dc, text.data(), LengthOf(text), size)) return false;
  size->cx += InkPastAdvance(dc, text, *size);
  return true;
}

}  // namespace

bool Win32Platform::MeasureString(const TextFont& font, std::string_view text, TextExtent* extent) {
  FontDc f(font);
  if (!extent || !f.dc()) return false;
  SIZE size{};
  if (!ExtentOf(f.dc(), text, &size)) return false;
  *extent = {size.cx, size.cy};
  return true;
}

bool Win32Platform::DrawString(gui::Bitmap& target, std::int32_t x, std::int32_t y,
                               const TextFont& font, std::string_view text, gui::Color colour) {
  FontDc f(font);
  if (!f.dc()) return false;
  SIZE size{};
  if (!ExtentOf(f.dc(), text, &size)) return false;
  // Only the part of the box that lands in target is rendered.
  const std::int64_t left = std::max<std::int64_t>(x, 0);
  const std::int64_t top = std::max<std::int64_t>(y, 0);
  const std::int64_t right =
      std::min<std::int64_t>(static_cast<std::int64_t>(x) + size.cx, target.Width());
  const std::int64_t bottom =
      std::min<std::int64_t>(static_cast<std::int64_t>(y) + size.cy, target.Height());
  if (right <= left || bottom <= top) return true;
  const int w = static_cast<int>(right - left), h = static_cast<int>(bottom - top);

  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(f.dc(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) {
    if (dib) ::DeleteObject(dib);
    return false;
  }
  std::fill_n(static_cast<std::uint32_t*>(bits), static_cast<std::size_t>(w) * h, 0u);
  HGDIOBJ oldBitmap = ::SelectObject(f.dc(), dib);
  ::SetBkMode(f.dc(), TRANSPARENT);
  ::SetTextColor(f.dc(), RGB(255, 255, 255));
  const bool drawn = ::TextOutA(f.dc(), static_cast<int>(x - left), static_cast<int>(y - top),
                                text.data(), LengthOf(text)) != FALSE;
  ::GdiFlush();
  if (drawn) {
    const std::uint32_t ink = gui::Bitmap::ToDevice(colour);
    for (int row = 0; row < h; ++row) {
      const auto* src = static_cast<const std::uint32_t*>(bits) + static_cast<std::size_t>(row) * w;
      std::uint32_t* dst = target.Row(static_cast<int>(top) + row) + left;
      for (int col = 0; col < w; ++col)
        if (src[col] & 0x00FFFFFF) dst[col] = ink;
    }
  }
  ::SelectObject(f.dc(), oldBitmap);
  ::DeleteObject(dib);
  return drawn;
}

}  // namespace platform
