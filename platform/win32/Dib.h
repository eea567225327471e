// The one bitmap layout the Windows code hands GDI: 32 bits a pixel, rows
// from the top (a negative height), as the raster keeps them, so pixels go
// to and from the device without conversion.
#pragma once

#include <windows.h>

namespace platform {

inline BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

}  // namespace platform
