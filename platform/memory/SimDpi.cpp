// The screens' DPI and the awareness of threads and windows: which DPI a
// window is drawn for, and which units an unaware thread is told the screen
// in. The system stretches an unaware window's pixels by itself; the
// simulated one keeps them as drawn, and a window's rectangle and the
// pointer stay in the screen's own pixels for every thread.
//
// Each monitor has a DPI of its own, as on Windows 10 and 11 (Wine 8 has one
// for all, the system's). A per-monitor aware top-level window is told its
// DPI by the system: "The current DPI for a window always equals the last
// DPI sent by WM_DPICHANGED", sent when "the window is moved to a new
// monitor that has a different DPI" or "the DPI of the monitor hosting the
// window changes" (the message's documentation). The model takes the
// monitor holding most of the window as the one it is on (as
// MonitorFromWindow does), tells a window on the screen at once (inside
// the SetWindowPos that moved it), and a hidden one only when it is shown:
// until then GetDpiForWindow still gives the DPI of where it was.
#include <cstdint>

#include "platform/memory/SimProcess.h"

namespace platform::memory {

namespace {

bool KnownContext(DpiAwarenessContext context) {
  return context == kDpiAwarenessContextUnaware || context == kDpiAwarenessContextSystemAware ||
         context == kDpiAwarenessContextPerMonitorAware ||
         context == kDpiAwarenessContextPerMonitorAwareV2;
}

bool PerMonitor(DpiAwarenessContext context) {
  return context == kDpiAwarenessContextPerMonitorAware ||
         context == kDpiAwarenessContextPerMonitorAwareV2;
}

// v * to / from, rounded to the nearest, as the system's MulDiv.
std::int32_t Rescale(std::int32_t v, std::uint32_t to, std::uint32_t from) {
  const std::int64_t scaled = static_cast<std::int64_t>(v) * to;
  const std::int64_t half = from / 2;
  return static_cast<std::int32_t>(
      scaled >= 0 ? (scaled + half) / from : -((-scaled + half) / static_cast<std::int64_t>(from)));
}

}  // namespace

std::uint32_t SimSystem::MonitorDpi(std::size_t index) const {
  const std::uint32_t own = index < monitors_.size() ? monitors_[index].dpi : 0;
  return own ? own : dpi_;
}

std::size_t SimSystem::MonitorOfRect(const Rect& r) const {
  std::size_t best = 0;
  std::int64_t most = 0;
  for (std::size_t i = 0; i < monitors_.size(); ++i) {
    const Rect& m = monitors_[i].rect;
    const std::int64_t w = std::int64_t{std::min(r.right, m.right)} - std::max(r.left, m.left);
    const std::int64_t h = std::int64_t{std::min(r.bottom, m.bottom)} - std::max(r.top, m.top);
    if (w > 0 && h > 0 && w * h > most) {
      most = w * h;
      best = i;
    }
  }
  if (most > 0) return best;
  // On none: the nearest to its corner.
  std::int64_t nearest = INT64_MAX;
  for (std::size_t i = 0; i < monitors_.size(); ++i) {
    const Rect& m = monitors_[i].rect;
    const auto gap = [](std::int64_t v, std::int64_t low, std::int64_t high) -> std::int64_t {
      return v < low ? low - v : v > high ? v - high : 0;
    };
    const std::int64_t dx = gap(r.left, m.left, std::int64_t{m.right} - 1);
    const std::int64_t dy = gap(r.top, m.top, std::int64_t{m.bottom} - 1);
    if (dx * dx + dy * dy < nearest) {
      nearest = dx * dx + dy * dy;
      best = i;
    }
  }
  return best;
}

bool SimSystem::TakeMonitorDpi(SimWindow& w) {
  if (w.parent || !PerMonitor(w.awareness)) return false;
  const std::uint32_t dpi = MonitorDpi(MonitorOfRect(w.rect));
  if (dpi == w.dpi || w.dpi == 0) return false;
  // The suggested place: the window's size at the new scale. A window the
  // pointer holds (one being dragged) keeps the pointer at the same point
  // of it, as the system's own move of a window does; any other keeps its
  // top-left corner.
  const Rect& r = w.rect;
  const std::int32_t width = Rescale(r.Width(), dpi, w.dpi);
  const std::int32_t height = Rescale(r.Height(), dpi, w.dpi);
  Point anchor{r.left, r.top};
  if (r.Contains(cursor_))
    anchor = {cursor_.x - Rescale(cursor_.x - r.left, dpi, w.dpi),
              cursor_.y - Rescale(cursor_.y - r.top, dpi, w.dpi)};
  w.dpiSuggested = {anchor.x, anchor.y, anchor.x + width, anchor.y + height};
  w.dpi = dpi;
  return true;
}

void SimProcess::FollowMonitorDpi(Hwnd hwnd) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w || !w->visible || w->messageOnly || w->dpiChanging || !sys_.TakeMonitorDpi(*w)) return;
  // Sent while the move that caused it is still under way; the window's
  // own SetWindowPos to the suggested place does not start another.
  w->dpiChanging = true;
  const Rect suggested = w->dpiSuggested;
  SendMessageA(hwnd, msg::kDpiChanged, static_cast<WParam>(w->dpi) * 0x10001,
               reinterpret_cast<LParam>(&suggested));
  if (SimWindow* still = sys_.Window(hwnd)) still->dpiChanging = false;
}

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
  if (w->awareness == kDpiAwarenessContextUnaware) return kDefaultDpi;
  if (!PerMonitor(w->awareness)) return sys_.dpi_;
  // A child is drawn at its top-level window's DPI.
  const SimWindow* top = sys_.Window(sys_.TopLevelOf(hwnd));
  return top ? top->dpi : w->dpi;
}

std::uint32_t SimProcess::GetDpiForMonitor(HMonitor monitor) {
  if (monitor == 0 || monitor > sys_.monitors_.size()) {
    lastError_ = error::kInvalidParameter;
    return 0;
  }
  return sys_.MonitorDpi(monitor - 1);
}

int SimProcess::GetSystemMetricsForDpi(int index, std::uint32_t dpi) {
  switch (index) {
    // 16 pixels at 96 DPI, as the system's default small icon.
    case kSmCxSmIcon:
    case kSmCySmIcon: return Rescale(16, dpi ? dpi : kDefaultDpi, kDefaultDpi);
    default: return GetSystemMetrics(index);
  }
}

int SimProcess::ScreenLength(int pixels) const {
  if (dpiContext_ != kDpiAwarenessContextUnaware || sys_.dpi_ == kDefaultDpi) return pixels;
  // Rounded to the nearest, as the system's MulDiv.
  const std::int64_t dpi = sys_.dpi_;
  return static_cast<int>((static_cast<std::int64_t>(pixels) * kDefaultDpi + dpi / 2) / dpi);
}

}  // namespace platform::memory
