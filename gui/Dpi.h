// Sizes at a screen's scale, and the DPI awareness a stretch of code runs
// with.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "platform/Platform.h"

namespace gui {

// A length of the design, given in pixels at 96 DPI, in pixels at dpi:
// v * dpi / 96 rounded to the nearest (halves away from zero), as the
// system's MulDiv. Exact at 96; a dpi of 0 (no window) counts as 96.
std::int64_t ScaleForDpi(std::int64_t v, std::uint32_t dpi);

// Runs the thread with the first of the contexts the system knows until
// the object goes, then with the context it had. Where the system knows
// none (an older one), nothing changes.
class ScopedDpiAwareness {
 public:
  ScopedDpiAwareness(platform::Platform& sys,
                     std::initializer_list<platform::DpiAwarenessContext> contexts);
  ~ScopedDpiAwareness();
  ScopedDpiAwareness(const ScopedDpiAwareness&) = delete;
  ScopedDpiAwareness& operator=(const ScopedDpiAwareness&) = delete;

 private:
  platform::Platform& sys_;
  platform::DpiAwarenessContext previous_ = 0;
};

// The program's own pixels: per-monitor awareness, version 2 where the
// system has it (Windows 10 1703 on), else the first version.
inline constexpr std::initializer_list<platform::DpiAwarenessContext> kMonitorPixels = {
    platform::kDpiAwarenessContextPerMonitorAwareV2, platform::kDpiAwarenessContextPerMonitorAware};

}  // namespace gui
