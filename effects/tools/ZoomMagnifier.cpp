#include "effects/tools/ZoomMagnifier.h"

#include <algorithm>
#include <utility>

namespace tools {

using namespace platform;

namespace {

constexpr std::int32_t kZoomStep = 2;
constexpr std::int32_t kZoomMost = 12;
constexpr std::int32_t kZoomLeast = 2;
constexpr std::int32_t kLensStep = 100;
constexpr std::int32_t kLensLargest = 600;
constexpr std::int32_t kLensSmallest = 300;
constexpr gui::Color kLensFrameColor = 0x000000FF;  // red

}  // namespace

// ---- Zoom -------------------------------------------------------------------------

gui::IRect ZoomTool::SourceArea(int x, int y, std::int32_t factor, int w, int h) {
  const std::int32_t f = UsableZoomFactor(factor);
  const int sw = std::max(w / f, 1), sh = std::max(h / f, 1);
  // The area stays inside the screen on the right and at the bottom.
  x = std::min(x, w - sw);
  y = std::min(y, h - sh);
  return {x, y, x + sw, y + sh};
}

void ZoomTool::View(int x, int y) {
  if (!Ready()) return;
  const gui::IRect area =
      SourceArea(x, y, program_.Settings.ZoomFactor, form_.ScreenWidth, form_.ScreenHeight);
  const bool fresh = NewShow();
  const bool whole = Repainted() || fresh || wholeFrames;
  // Every pixel of a new view changes; the same view again changes none.
  if (!whole && area == shown_) return;
  Show(area);
  shown_ = area;
}

bool ZoomTool::PaintWindow() {
  if (!Ready() || !ShownThisShow()) return false;
  Show(shown_);
  return true;
}

void ZoomTool::Show(const gui::IRect& area) {
  Platform& sys = program_.sys;
  const int w = form_.ScreenWidth, h = form_.ScreenHeight;
  if (wholeFrames) {
    sys.StretchBlt(form_.WorkSurface1, 0, 0, w, h, form_.CaptureSurface, area.left, area.top,
                   area.Width(), area.Height(), kSrcCopy);
    PresentChange(form_.WorkSurface1, {}, {0, 0, w, h}, true);
  } else {
    // The same enlargement straight onto the window, in one pass: every
    // pixel of a new view changes, so there is nothing to keep, and a
    // frame surface in between would only copy the frame once more. The
    // stretch widens each of the area's rows once and repeats it for the
    // screen rows that show it.
    sys.StretchBlt(form_.OverlayWindowDC, 0, 0, w, h, form_.CaptureSurface, area.left, area.top,
                   area.Width(), area.Height(), kSrcCopy);
    form_.WindowCovered();
  }
}

void ZoomTool::MouseMove(unsigned, int x, int y) { View(x, y); }

void ZoomTool::MouseDown(gui::MouseButton button, unsigned, int x, int y) {
  std::int32_t& f = program_.Settings.ZoomFactor;
  if (button == gui::MouseButton::Left) {
    if (f < kZoomMost) f += kZoomStep;
  } else {
    if (f > kZoomLeast) f -= kZoomStep;
  }
  View(x, y);
}

// ---- Magnifier ----------------------------------------------------------------------

void MagnifierTool::Frame(Hdc surface, int left, int top, std::int32_t size) {
  Platform& sys = program_.sys;
  // A new pen for each frame, released with it. The frame's one pixel at
  // 96 DPI is as many at the scale, each a ring one pixel further in, so
  // that the frame stays inside the lens (the area each move restores).
  const HGdiObj pen = sys.CreatePen(kPsSolid, 1, kLensFrameColor);
  const HGdiObj old = sys.SelectObject(surface, pen);
  const auto rings = static_cast<int>(std::min<std::int64_t>(form_.Px(1), size / 2));
  for (int i = 0; i < rings; ++i) {
    const int l = left + i, t = top + i, r = left + size - 1 - i, b = top + size - 1 - i;
    sys.MoveToEx(surface, l, t, nullptr);
    sys.LineTo(surface, r, t);
    sys.LineTo(surface, r, b);
    sys.LineTo(surface, l, b);
    sys.LineTo(surface, l, t);
  }
  if (old) sys.SelectObject(surface, old);
  if (pen) sys.DeleteObject(pen);
}

void MagnifierTool::MouseMove(unsigned, int x, int y) {
  if (!Ready()) return;
  Platform& sys = program_.sys;
  const int w = form_.ScreenWidth, h = form_.ScreenHeight;
  const int wd = form_.DesktopRect.Width(), hd = form_.DesktopRect.Height();
  // LensSize is kept in 300 to 600: its scale stays in range.
  const auto s = static_cast<std::int32_t>(form_.Px(LensSize));
  const int lx = std::min(x, w - s), ly = std::min(y, h - s);
  const int sx = std::min(x, w - s / 2), sy = std::min(y, h - s / 2);
  const gui::IRect lens = ScreenPart(lx, ly, s, s, wd, hd);

  const bool fresh = NewShow();
  if (fresh) lens_ = {};
  const bool whole = Repainted() || fresh || wholeFrames;
  const bool pin = PinLens;
  // The same lens in the same place showing the same area: the same frame.
  const platform::Point source{sx, sy};
  if (!whole && !pin && !std::exchange(stale_, false) && lens == lens_ && source == source_) return;
  source_ = source;
  if (wholeFrames) {
    // Start from the pinned layer: at first a copy of the grab.
    sys.BitBlt(form_.WorkSurface1, 0, 0, wd, hd, form_.WorkSurface2, 0, 0, kSrcCopy);
  } else if (!lens_.Empty()) {
    // WorkSurface1 differs from the pinned layer only by the live lens.
    sys.BitBlt(form_.WorkSurface1, lens_.left, lens_.top, lens_.Width(), lens_.Height(),
               form_.WorkSurface2, lens_.left, lens_.top, kSrcCopy);
  }
  const std::int32_t from = s / LensFactor;
  sys.StretchBlt(form_.WorkSurface1, lx, ly, s, s, form_.CaptureSurface, sx, sy, from, from,
                 kSrcCopy);
  if (pin) {
    // A pinned lens is a step: the pinned layer keeps what it covers.
    if (const gui::Bitmap* pinned = sys.MemoryDcPixels(form_.WorkSurface2))
      form_.History.Touch(*pinned, lens);
    sys.StretchBlt(form_.WorkSurface2, lx, ly, s, s, form_.CaptureSurface, sx, sy, from, from,
                   kSrcCopy);
    Frame(form_.WorkSurface2, lx, ly, s);
    form_.History.EndStep();
    PinLens = false;
  }
  Frame(form_.WorkSurface1, lx, ly, s);
  PresentChange(form_.WorkSurface1, lens_, lens, whole);
  lens_ = lens;
}

void MagnifierTool::LayerRestored(const std::vector<gui::IRect>& areas) {
  if (!Ready()) return;
  Platform& sys = program_.sys;
  for (const gui::IRect& a : areas)
    sys.BitBlt(form_.WorkSurface1, a.left, a.top, a.Width(), a.Height(), form_.WorkSurface2, a.left,
               a.top, kSrcCopy);
  // The live lens again where the pointer is, over the layer as it is now;
  // a pin still waiting for its move waits on.
  Point p;
  if (sys.GetCursorPos(&p)) {
    stale_ = true;
    const bool pin = std::exchange(PinLens, false);
    MouseMove(0, p.x - form_.DesktopRect.left, p.y - form_.DesktopRect.top);
    PinLens = pin;
  }
  for (const gui::IRect& a : areas) Present(form_.WorkSurface1, a);
}

void MagnifierTool::MouseDown(gui::MouseButton button, unsigned, int, int) {
  if (button == gui::MouseButton::Left) {
    // Pinned by the next move, where that move puts the lens.
    PinLens = true;
    return;
  }
  LensSize += kLensStep;
  if (LensSize > kLensLargest || LensSize < kLensSmallest) LensSize = kLensSmallest;
  NudgePointer();
}

}  // namespace tools
