#include "effects/tools/SpotLaser.h"

#include <algorithm>
#include <limits>

#include "effects/tools/RevealLine.h"  // the click colours
#include "gui/Dpi.h"

namespace tools {

using namespace platform;

namespace {

constexpr std::int32_t kSpotStep = 50;
constexpr std::int32_t kSpotWrapWidth = 500;  // this width starts the cycle over
constexpr std::int32_t kSpotStartSize = 200;
constexpr std::int32_t kSpotStyles = 3;
constexpr std::int32_t kLaserSizes = 3;  // 10, 20 and 30 pixels
constexpr std::int32_t kLaserStep = 10;  // pixels of dot per size step
constexpr std::int32_t kRestoreHalf = 50;
constexpr int kEdgeZone = 25;

std::int32_t SaturatedAdd(std::int32_t v, std::int32_t d) {
  const std::int64_t sum = static_cast<std::int64_t>(v) + d;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      sum, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

void Copy(Platform& sys, Hdc to, const gui::IRect& part, Hdc from) {
  if (part.Empty()) return;
  sys.BitBlt(to, part.left, part.top, part.Width(), part.Height(), from, part.left, part.top,
             kSrcCopy);
}

}  // namespace

// ---- Spot Light -----------------------------------------------------------------

bool SpotLightTool::LitArea(int x, int y, gui::IRect& area) const {
  const TSettings& s = program_.Settings;
  const int w = form_.ScreenWidth, h = form_.ScreenHeight;
  switch (s.SpotLightStyle) {
    case 0:
      area = ScreenPart(x, y, form_.Px(s.SpotLightWidth), form_.Px(s.SpotLightHeight), w, h);
      return true;
    case 1: area = ScreenPart(0, y, w, form_.Px(s.SpotLightHeight), w, h); return true;
    case 2: area = ScreenPart(x, 0, form_.Px(s.SpotLightWidth), h, w, h); return true;
    default: return false;
  }
}

void SpotLightTool::MouseMove(unsigned, int x, int y) {
  gui::IRect area;
  if (!Ready() || !LitArea(x, y, area)) return;
  Platform& sys = program_.sys;
  const gui::IRect screen{0, 0, form_.ScreenWidth, form_.ScreenHeight};
  const bool fresh = NewShow();
  const bool whole = Repainted() || fresh || wholeFrames;
  if (fresh || wholeFrames) {
    // WorkSurface2 holds the clean grab, or a frame: it all starts dark.
    Copy(sys, form_.WorkSurface2, screen, form_.WorkSurface1);
  } else {
    // The frame differs from the darkened picture only where it was lit.
    if (area == lit_ && !whole) return;  // the same frame again
    Copy(sys, form_.WorkSurface2, lit_, form_.WorkSurface1);
  }
  Copy(sys, form_.WorkSurface2, area, form_.CaptureSurface);
  PresentChange(form_.WorkSurface2, fresh ? gui::IRect{} : lit_, area, whole);
  lit_ = area;
}

void SpotLightTool::MouseDown(gui::MouseButton button, unsigned, int, int) {
  TSettings& s = program_.Settings;
  if (button == gui::MouseButton::Left) {
    s.SpotLightWidth = SaturatedAdd(s.SpotLightWidth, kSpotStep);
    s.SpotLightHeight = SaturatedAdd(s.SpotLightHeight, kSpotStep);
    if (s.SpotLightWidth == kSpotWrapWidth) s.SpotLightWidth = s.SpotLightHeight = kSpotStartSize;
  } else {
    // A style past the table keeps rising and stays outside it.
    s.SpotLightStyle = NextStyle(s.SpotLightStyle, kSpotStyles);
  }
  NudgePointer();
}

// ---- Laser Beam -----------------------------------------------------------------

std::int32_t LaserBeamTool::DotWidth(std::int32_t size, int w, int h, std::uint32_t dpi) {
  if (size < 1) return 0;
  // Round ends: a dot reaches half its width from the pointer, so twice the
  // screen's width and height reach every pixel from any point on it.
  const std::int64_t covering =
      2 * (static_cast<std::int64_t>(std::max(w, 0)) + std::max(h, 0)) + 4;
  return static_cast<std::int32_t>(
      std::min(gui::ScaleForDpi(static_cast<std::int64_t>(size) * kLaserStep, dpi), covering));
}

gui::IRect LaserBeamTool::RestoreSquare(int x, int y, std::int32_t width, int w, int h,
                                        std::uint32_t dpi) {
  // The dot covers the pixels within half its width of the segment from
  // (x, y) to (x + 1, y + 1); two more pixels leave no rounding outside.
  const std::int64_t half =
      std::max<std::int64_t>(gui::ScaleForDpi(kRestoreHalf, dpi), width / 2 + 2);
  return ScreenPart(static_cast<std::int64_t>(x) - half, static_cast<std::int64_t>(y) - half,
                    2 * half, 2 * half, w, h);
}

void LaserBeamTool::Dot(int x, int y, std::int32_t width) {
  Platform& sys = program_.sys;
  const HGdiObj pen = sys.CreatePen(kPsSolid, width, program_.Settings.LaserBeamColor);
  const HGdiObj old = sys.SelectObject(form_.WorkSurface1, pen);
  sys.MoveToEx(form_.WorkSurface1, x, y, nullptr);
  sys.LineTo(form_.WorkSurface1, x + 1, y + 1);
  // Each dot's pen goes with its dot.
  if (old) sys.SelectObject(form_.WorkSurface1, old);
  if (pen) sys.DeleteObject(pen);
}

void LaserBeamTool::MouseMove(unsigned, int x, int y) {
  if (!Ready()) return;
  Platform& sys = program_.sys;
  const int w = form_.ScreenWidth, h = form_.ScreenHeight;
  const bool fresh = NewShow();
  if (fresh) {
    // The new surfaces hold no dot yet.
    dotShown_ = false;
    dotSquare_ = {};
  }
  const bool whole = Repainted() || fresh || wholeFrames;
  const gui::IRect before = dotShown_ ? dotSquare_ : gui::IRect{};
  const std::int64_t edge = form_.Px(kEdgeZone);
  if (wholeFrames && !(x > edge && y > edge)) {
    // Near the left or top edge the plain scheme restores the whole picture.
    Copy(sys, form_.WorkSurface1, {0, 0, w, h}, form_.CaptureSurface);
  } else {
    // Everywhere else WorkSurface1 already equals the capture: it has only
    // ever differed from it by the last dot.
    Copy(sys, form_.WorkSurface1, before, form_.CaptureSurface);
  }
  const std::int32_t width = DotWidth(program_.Settings.LaserBeamSize, w, h, form_.Dpi);
  Dot(x, y, width);
  const gui::IRect after = RestoreSquare(x, y, width, w, h, form_.Dpi);
  PresentChange(form_.WorkSurface1, before, after, whole);
  dotShown_ = true;
  dotSquare_ = after;
  form_.LastX = x;
  form_.LastY = y;
}

void LaserBeamTool::MouseDown(gui::MouseButton button, unsigned, int, int) {
  TSettings& s = program_.Settings;
  if (button == gui::MouseButton::Left) {
    LaserColorIndex = NextColorIndex(LaserColorIndex);
    s.LaserBeamColor = ClickColors[static_cast<std::size_t>(LaserColorIndex)];
  } else {
    // 4, which the settings dialog can store, and anything above turn into 1.
    s.LaserBeamSize = s.LaserBeamSize >= kLaserSizes ? 1 : s.LaserBeamSize + 1;
  }
  NudgePointer();
}

}  // namespace tools
