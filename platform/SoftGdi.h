// The drawing operations of the screen group, on the project's raster:
// device contexts, bitmaps, pattern brushes, pens, lines and block transfers.
// Window device contexts read and write real pixels through the host's two
// hooks; everything else lives in memory here.
#pragma once

#include <map>
#include <variant>

#include "platform/Platform.h"

namespace platform {

class SoftGdi {
 public:
  explicit SoftGdi(ScreenOps& host);

  Hdc GetWindowDC(Hwnd hwnd);
  int ReleaseDC(Hwnd hwnd, Hdc dc);
  Hdc CreateCompatibleDC(Hdc dc);
  bool DeleteDC(Hdc dc);
  HGdiObj CreateCompatibleBitmap(Hdc dc, std::int32_t width, std::int32_t height);
  HGdiObj CreateBitmap(std::int32_t width, std::int32_t height, std::uint32_t planes,
                       std::uint32_t bitsPerPixel, const void* bits);
  HGdiObj CreatePatternBrush(HGdiObj bitmap);
  HGdiObj CreatePen(int style, std::int32_t width, std::uint32_t color);
  HGdiObj SelectObject(Hdc dc, HGdiObj object);
  bool DeleteObject(HGdiObj object);
  bool MoveToEx(Hdc dc, std::int32_t x, std::int32_t y, Point* previous);
  bool LineTo(Hdc dc, std::int32_t x, std::int32_t y);
  bool BitBlt(Hdc dst, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
              Hdc src, std::int32_t srcX, std::int32_t srcY, std::uint32_t rop);
  bool StretchBlt(Hdc dst, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                  Hdc src, std::int32_t srcX, std::int32_t srcY, std::int32_t srcWidth,
                  std::int32_t srcHeight, std::uint32_t rop);
  bool GetDIBits(Hdc dc, HGdiObj bitmap, gui::Bitmap& out);

 private:
  struct BitmapObject {
    gui::Bitmap pixels;
    bool mono = false;  // holds only black and white
  };
  struct PenObject {
    int style = kPsSolid;
    std::int32_t width = 1;
    gui::Color color = gui::kBlack;
  };
  struct BrushObject {
    gui::Bitmap pattern;  // empty: a solid brush of color
    gui::Color color = gui::kWhite;
  };
  using Object = std::variant<BitmapObject, PenObject, BrushObject>;
  struct Dc {
    Hwnd window = 0;  // 0 for a memory device context
    HGdiObj bitmap = 0, pen = 0, brush = 0;
    Point position;
  };

  Dc* FindDc(Hdc dc);
  template <class T>
  T* Find(HGdiObj object);
  // The pixels a device context shows: its bitmap, or the window's.
  const gui::Bitmap* Pixels(Dc& dc, gui::Bitmap& scratch);
  // Runs a drawing on the pixels of dc and puts them back.
  template <class Draw>
  bool Modify(Dc& dc, Draw draw);
  HGdiObj Add(Object object);

  ScreenOps& host_;
  std::map<Hdc, Dc> dcs_;
  std::map<HGdiObj, Object> objects_;
  HGdiObj stockBitmap_, stockPen_, stockBrush_;
  std::uintptr_t next_ = 0x7000;
};

}  // namespace platform
