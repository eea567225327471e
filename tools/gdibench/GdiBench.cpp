#include "tools/gdibench/GdiBench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace gdibench {

using namespace platform;

namespace {

// Takes what is queued without waiting; paints are left to the default
// handler, which validates them.
void Pump(Platform& p) {
  Msg m;
  for (int i = 0; i < 1000 && p.PeekMessageW(&m, 0, kPmRemove); ++i) p.DispatchMessageW(m);
}

void Measure(Platform& p, const char* what, int iterations, const std::function<bool(int)>& step) {
  std::vector<double> ms;
  bool ok = true;
  for (int i = 0; i < iterations; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    ok = step(i) && ok;
    const auto t1 = std::chrono::steady_clock::now();
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    Pump(p);  // a running program's loop lets the system show each frame
  }
  std::sort(ms.begin(), ms.end());
  const double median = ms[ms.size() / 2];
  const double p99 = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
  std::printf("%-44s median %8.3f ms  p99 %8.3f ms%s\n", what, median, p99,
              ok ? "" : "  (a call failed)");
}

}  // namespace

int Run(Platform& p, int iterations) {
  const int w = p.GetSystemMetrics(kSmCxScreen), h = p.GetSystemMetrics(kSmCyScreen);
  std::printf("screen %dx%d, %d iterations each\n", w, h, iterations);

  WindowParams params;
  params.className = "TavrinGdiBench";
  params.caption = "gdibench";
  params.width = w;
  params.height = h;
  params.topmost = true;
  params.toolWindow = true;
  Platform* pp = &p;
  const Hwnd window =
      p.CreateWindowExA(params, [pp](Hwnd hw, std::uint32_t m, WParam wp, LParam lp) -> LResult {
        if (m == msg::kEraseBkgnd) return 1;
        return pp->DefWindowProcA(hw, m, wp, lp);
      });
  if (!window) {
    std::fprintf(stderr, "gdibench: no window\n");
    return 1;
  }
  p.ShowWindow(window, kSwShowNoActivate);
  Pump(p);

  const Hdc desktop = p.GetWindowDC(p.GetDesktopWindow());
  const Hdc wdc = p.GetWindowDC(window);
  const Hdc surface = p.CreateCompatibleDC(desktop);
  const HGdiObj bitmap = p.CreateCompatibleBitmap(desktop, w, h);
  const HGdiObj oldBitmap = p.SelectObject(surface, bitmap);
  if (!desktop || !wdc || !surface || !bitmap || !oldBitmap) {
    std::fprintf(stderr, "gdibench: no device contexts\n");
    return 1;
  }
  p.BitBlt(surface, 0, 0, w, h, desktop, 0, 0, kSrcCopy);

  Measure(p, "BitBlt screen-sized surface -> window DC", iterations,
          [&](int) { return p.BitBlt(wdc, 0, 0, w, h, surface, 0, 0, kSrcCopy); });
  Measure(p, "StretchBlt 2x zoom surface -> window DC", iterations, [&](int i) {
    return p.StretchBlt(wdc, 0, 0, w, h, surface, i % 50, i % 50, w / 2, h / 2, kSrcCopy);
  });
  const HGdiObj pen = p.CreatePen(kPsSolid, 25, 0x0000FF);
  const HGdiObj oldPen = p.SelectObject(wdc, pen);
  Measure(p, "LineTo 25-px pen, 300 px, window DC", iterations, [&](int i) {
    p.MoveToEx(wdc, 100 + i % 400, 200, nullptr);
    return p.LineTo(wdc, 400 + i % 400, 300);
  });
  Measure(p, "BitBlt window DC -> surface (read back)", iterations,
          [&](int) { return p.BitBlt(surface, 0, 0, w, h, wdc, 0, 0, kSrcCopy); });
  Measure(p, "BitBlt desktop DC -> surface (capture)", std::max(iterations / 4, 5),
          [&](int) { return p.BitBlt(surface, 0, 0, w, h, desktop, 0, 0, kSrcCopy); });

  p.SelectObject(wdc, oldPen);
  p.DeleteObject(pen);
  p.SelectObject(surface, oldBitmap);
  p.DeleteObject(bitmap);
  p.DeleteDC(surface);
  p.ReleaseDC(window, wdc);
  p.ReleaseDC(p.GetDesktopWindow(), desktop);
  p.DestroyWindow(window);
  return 0;
}

}  // namespace gdibench
