// The machine's monitors as a program asks for them: the screen metrics,
// the monitor under a point, each monitor's rectangles, the list of them.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace platform::memory {

namespace {

// A monitor's handle is its place in the layout, from 1.
HMonitor HandleOf(std::size_t index) { return static_cast<HMonitor>(index + 1); }

// How far p is from the rectangle's nearest pixel, squared.
std::int64_t DistanceSquared(const Rect& r, Point p) {
  const auto gap = [](std::int64_t v, std::int64_t low, std::int64_t high) -> std::int64_t {
    return v < low ? low - v : v > high ? v - high : 0;
  };
  const std::int64_t dx = gap(p.x, r.left, std::int64_t{r.right} - 1);
  const std::int64_t dy = gap(p.y, r.top, std::int64_t{r.bottom} - 1);
  return dx * dx + dy * dy;
}

}  // namespace

Rect SimSystem::VirtualScreen() const {
  Rect v = monitors_.front().rect;
  for (const SimMonitor& m : monitors_) {
    v.left = std::min(v.left, m.rect.left);
    v.top = std::min(v.top, m.rect.top);
    v.right = std::max(v.right, m.rect.right);
    v.bottom = std::max(v.bottom, m.rect.bottom);
  }
  return v;
}

int SimProcess::GetSystemMetrics(int index) {
  const Rect v = sys_.VirtualScreen();
  switch (index) {
    // An unaware thread is told them in 96-DPI units (SimDpi.cpp).
    case kSmCxScreen: return ScreenLength(sys_.ScreenWidth());
    case kSmCyScreen: return ScreenLength(sys_.ScreenHeight());
    case kSmXVirtualScreen: return ScreenLength(v.left);
    case kSmYVirtualScreen: return ScreenLength(v.top);
    case kSmCxVirtualScreen: return ScreenLength(v.Width());
    case kSmCyVirtualScreen: return ScreenLength(v.Height());
    case kSmCMonitors: return static_cast<int>(sys_.monitors_.size());
    default: return 0;
  }
}

HMonitor SimProcess::MonitorFromPoint(Point p, std::uint32_t flags) {
  const std::vector<SimMonitor>& monitors = sys_.monitors_;
  for (std::size_t i = 0; i < monitors.size(); ++i)
    if (monitors[i].rect.Contains(p)) return HandleOf(i);
  if (flags == kMonitorDefaultToPrimary) return HandleOf(0);
  if (flags != kMonitorDefaultToNearest) return 0;
  std::size_t nearest = 0;
  std::int64_t best = std::numeric_limits<std::int64_t>::max();
  for (std::size_t i = 0; i < monitors.size(); ++i)
    if (const std::int64_t d = DistanceSquared(monitors[i].rect, p); d < best) {
      best = d;
      nearest = i;
    }
  return HandleOf(nearest);
}

bool SimProcess::GetMonitorInfoA(HMonitor monitor, MonitorInfo* info) {
  const std::vector<SimMonitor>& monitors = sys_.monitors_;
  if (!info || monitor == 0 || monitor > monitors.size()) return false;
  const SimMonitor& m = monitors[monitor - 1];
  *info = {m.rect, m.work, m.primary ? kMonitorInfoFPrimary : 0};
  return true;
}

std::vector<HMonitor> SimProcess::EnumDisplayMonitors() {
  std::vector<HMonitor> all;
  for (std::size_t i = 0; i < sys_.monitors_.size(); ++i) all.push_back(HandleOf(i));
  return all;
}

}  // namespace platform::memory
