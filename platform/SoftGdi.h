// The drawing operations of the screen group, on the project's raster:
// device contexts, bitmaps, pattern brushes, pens, lines and block transfers.
//
// The program's own windows hold their pixels here, one surface per window:
// its window device contexts draw into that surface and read from it, the
// window framework composes its frames into it, and only the rectangle a
// drawing changed goes to the system. Drawing never reads the screen back,
// except through the desktop window's context (the screen capture) or a
// context of another program's window.
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

  gui::Bitmap* WindowSurface(Hwnd hwnd);
  gui::Bitmap* MemoryDcPixels(Hdc dc);
  int DcCount() const { return static_cast<int>(dcs_.size()); }
  int GdiObjectCount() const { return static_cast<int>(objects_.size()) - kStockObjects; }

 private:
  static constexpr int kStockObjects = 3;
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
  struct Object {
    std::variant<BitmapObject, PenObject, BrushObject> data;
    int selections = 0;    // device contexts holding it
    bool deleted = false;  // goes when the last of them lets it go
  };
  struct Dc {
    Hwnd window = 0;   // 0 for a memory device context
    bool own = false;  // a window of this program: drawn in its surface
    HGdiObj bitmap = 0, pen = 0, brush = 0;
    Point position;
    // Where the first of its pixels lies in its coordinates: the virtual
    // screen's corner for the desktop's context, 0,0 for every other.
    Point origin;
  };

  Dc* FindDc(Hdc dc);
  template <class T>
  T* Find(HGdiObj object);
  HGdiObj Add(Object object);
  void Hold(HGdiObj object);
  void Let(HGdiObj object);
  bool Stock(HGdiObj object) const;
  void DropDc(Hdc dc);
  // The pixels a device context shows: its bitmap, its window's surface or,
  // for the desktop and other programs' windows, what the system shows.
  const gui::Bitmap* Pixels(Dc& dc, gui::Bitmap& scratch);
  // Runs a drawing (which returns the rectangle it may have changed) on the
  // pixels of dc and hands that rectangle on to the system for a window.
  template <class Draw>
  bool Modify(Dc& dc, Draw draw);

  ScreenOps& host_;
  std::map<Hdc, Dc> dcs_;
  std::map<HGdiObj, Object> objects_;
  std::map<Hwnd, gui::Bitmap> surfaces_;
  HGdiObj stockBitmap_, stockPen_, stockBrush_;
  std::uintptr_t next_ = 0x7000;
};

}  // namespace platform
