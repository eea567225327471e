#include "gui/Dpi.h"

namespace gui {

std::int64_t ScaleForDpi(std::int64_t v, std::uint32_t dpi) {
  if (dpi == 0 || dpi == platform::kDefaultDpi) return v;
  const std::int64_t scaled = v * static_cast<std::int64_t>(dpi);
  const std::int64_t half = platform::kDefaultDpi / 2;
  return scaled >= 0 ? (scaled + half) / platform::kDefaultDpi
                     : -((-scaled + half) / platform::kDefaultDpi);
}

ScopedDpiAwareness::ScopedDpiAwareness(
    platform::Platform& sys, std::initializer_list<platform::DpiAwarenessContext> contexts)
    : sys_(sys) {
  for (platform::DpiAwarenessContext context : contexts)
    if ((previous_ = sys_.SetThreadDpiAwarenessContext(context)) != 0) break;
}

ScopedDpiAwareness::~ScopedDpiAwareness() {
  if (previous_) sys_.SetThreadDpiAwarenessContext(previous_);
}

}  // namespace gui
