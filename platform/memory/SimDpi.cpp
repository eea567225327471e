// The screen's DPI and the awareness of threads and windows: which DPI a
// window is drawn for, and which units an unaware thread is told the screen
// in. The system stretches an unaware window's pixels by itself; the
// simulated one keeps them as drawn, and a window's rectangle and the
// pointer stay in the screen's own pixels for every thread.
#include <cstdint>

#include "platform/memory/SimProcess.h"

namespace platform::memory {

namespace {

bool KnownContext(DpiAwarenessContext context) {
  return context == kDpiAwarenessContextUnaware || context == kDpiAwarenessContextSystemAware ||
         context == kDpiAwarenessContextPerMonitorAware ||
         context == kDpiAwarenessContextPerMonitorAwareV2;
}

}  // namespace

DpiAwarenessContext SimProcess::SetThreadDpiAwarenessContext(DpiAwarenessContext context) {
  if (!KnownContext(context)) {
    lastError_ = error::kInvalidParameter;
    return 0;
  }
  const DpiAwarenessContext previous = dpiContext_;
  dpiContext_ = context;
  return previous;
}

std::uint32_t SimProcess::GetDpiForWindow(Hwnd hwnd) {
  const SimWindow* w = sys_.Window(hwnd);
  if (!w) {
    lastError_ = error::kInvalidWindowHandle;
    return 0;
  }
  // One screen: the system's DPI is the monitor's.
  return w->awareness == kDpiAwarenessContextUnaware ? kDefaultDpi : sys_.dpi_;
}

int SimProcess::ScreenLength(int pixels) const {
  if (dpiContext_ != kDpiAwarenessContextUnaware || sys_.dpi_ == kDefaultDpi) return pixels;
  // Rounded to the nearest, as the system's MulDiv.
  const std::int64_t dpi = sys_.dpi_;
  return static_cast<int>((static_cast<std::int64_t>(pixels) * kDefaultDpi + dpi / 2) / dpi);
}

}  // namespace platform::memory
