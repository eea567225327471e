// What the Wine-side probes share: one clock in milliseconds, a part of the
// screen read as the program reads it, waiting on a condition, quantiles.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/win32/Dib.h"

namespace probe {

inline double NowMs() {
  static const LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

// A part of the screen read into memory of the probe's own.
class Region {
 public:
  Region(int left, int top, int w, int h) : left_(left), top_(top), w_(w), h_(h) {
    screen_ = GetDC(nullptr);
    mem_ = CreateCompatibleDC(screen_);
    const BITMAPINFO bi = platform::TopDown32(w, h);
    void* bits = nullptr;
    dib_ = CreateDIBSection(mem_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<const std::uint32_t*>(bits);
    old_ = SelectObject(mem_, dib_);
  }
  ~Region() {
    SelectObject(mem_, old_);
    DeleteObject(dib_);
    DeleteDC(mem_);
    ReleaseDC(nullptr, screen_);
  }
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;

  bool Ok() const { return bits_ != nullptr; }
  std::vector<std::uint32_t> Read() {
    BitBlt(mem_, 0, 0, w_, h_, screen_, left_, top_, SRCCOPY);
    GdiFlush();
    return {bits_, bits_ + static_cast<std::size_t>(w_) * h_};
  }

 private:
  int left_, top_, w_, h_;
  HDC screen_ = nullptr, mem_ = nullptr;
  HBITMAP dib_ = nullptr;
  HGDIOBJ old_ = nullptr;
  const std::uint32_t* bits_ = nullptr;
};

// Polls until pred holds, every millisecond or so; the time it held, or a
// negative number after limitMs.
template <class Pred>
double Until(double t0, double limitMs, Pred pred) {
  for (;;) {
    if (pred()) return NowMs() - t0;
    if (NowMs() - t0 > limitMs) return -1;
    Sleep(1);
  }
}

inline double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1,
                    static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5))];
}

}  // namespace probe
