// Text through GDI. The glyphs are drawn white on black into a DIB section
// the size of the text's box, without anti-aliasing, and every lit pixel
// becomes one pixel of the text colour in the raster bitmap: the colour is
// exact and the background shows through everything else.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/win32/Dib.h"
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

// A text drawn white on black into a DIB section of its own, selected into
// the font's context while the picture lives.
class InkPicture {
 public:
  InkPicture(HDC dc, int width, int height) : dc_(dc), w_(width), h_(height) {
    const BITMAPINFO bi = TopDown32(width, height);
    dib_ = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (!dib_ || !bits_) return;
    std::fill_n(static_cast<std::uint32_t*>(bits_), static_cast<std::size_t>(w_) * h_, 0u);
    old_ = ::SelectObject(dc, dib_);
  }
  ~InkPicture() {
    if (old_) ::SelectObject(dc_, old_);
    if (dib_) ::DeleteObject(dib_);
  }
  InkPicture(const InkPicture&) = delete;
  InkPicture& operator=(const InkPicture&) = delete;

  bool Draw(int x, int y, std::string_view text) {
    if (!old_) return false;
    ::SetBkMode(dc_, TRANSPARENT);
    ::SetTextColor(dc_, RGB(255, 255, 255));
    const bool drawn = ::TextOutA(dc_, x, y, text.data(), LengthOf(text)) != FALSE;
    ::GdiFlush();
    return drawn;
  }
  const std::uint32_t* Row(int y) const {
    return static_cast<const std::uint32_t*>(bits_) + static_cast<std::size_t>(y) * w_;
  }
  static bool Lit(std::uint32_t pixel) { return (pixel & 0x00FFFFFF) != 0; }

 private:
  HDC dc_;
  int w_, h_;
  HBITMAP dib_ = nullptr;
  void* bits_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// How far the ink of a text reaches past its advance: a bold face the
// system emboldens itself draws the last glyph wider than it advances, and
// neither the extent nor the ABC widths tell. Found by drawing the text.
LONG InkPastAdvance(HDC dc, std::string_view text, SIZE size) {
  if (text.empty() || size.cx <= 0 || size.cy <= 0) return 0;
  const int margin = size.cy / 2 + 2;
  const int w = size.cx + margin, h = size.cy;
  InkPicture ink(dc, w, h);
  if (!ink.Draw(0, 0, text)) return 0;
  int right = 0;
  for (int row = 0; row < h; ++row) {
    const std::uint32_t* px = ink.Row(row);
    for (int col = w - 1; col >= right; --col)
      if (InkPicture::Lit(px[col])) {
        right = col + 1;
        break;
      }
  }
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

  InkPicture ink(f.dc(), w, h);
  const bool drawn = ink.Draw(static_cast<int>(x - left), static_cast<int>(y - top), text);
  if (drawn) {
    const std::uint32_t colourOnDevice = gui::Bitmap::ToDevice(colour);
    for (int row = 0; row < h; ++row) {
      const std::uint32_t* src = ink.Row(row);
      std::uint32_t* dst = target.Row(static_cast<int>(top) + row) + left;
      for (int col = 0; col < w; ++col)
        if (InkPicture::Lit(src[col])) dst[col] = colourOnDevice;
    }
  }
  return drawn;
}

}  // namespace platform
