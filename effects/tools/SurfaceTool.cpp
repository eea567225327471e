#include "effects/tools/SurfaceTool.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace tools {

using namespace platform;

gui::IRect ScreenPart(std::int64_t left, std::int64_t top, std::int64_t width, std::int64_t height,
                      int w, int h) {
  const auto cut = [](std::int64_t v, int limit) {
    return static_cast<int>(std::clamp<std::int64_t>(v, 0, std::max(limit, 0)));
  };
  const std::int64_t right = width > 0 ? left + width : left;
  const std::int64_t bottom = height > 0 ? top + height : top;
  return {cut(left, w), cut(top, h), cut(right, w), cut(bottom, h)};
}

gui::IRect Bounding(const gui::IRect& a, const gui::IRect& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

namespace {

// A control without an area: the form calls its Paint on every paint of the
// window, which is all it is there to count.
class PaintWatch : public gui::Control {
 public:
  using gui::Control::Control;
  void Paint(gui::Bitmap&) const override { ++paints; }
  mutable std::uint64_t paints = 0;
};

// One watch per form, kept until the process ends: a form holds its
// controls by plain pointers and cannot let one go, so a watch has to
// outlive the form it is in, however often the form's tools are replaced.
PaintWatch& WatchOf(gui::Form& form) {
  static std::map<const gui::Form*, std::unique_ptr<PaintWatch>> watches;
  std::unique_ptr<PaintWatch>& watch = watches[&form];
  const std::vector<gui::Control*>& controls = form.Controls();
  // A watch that is not among the form's controls was made for an earlier
  // form at the same address, which has gone.
  if (!watch || std::find(controls.begin(), controls.end(),
                          static_cast<gui::Control*>(watch.get())) == controls.end())
    watch = std::make_unique<PaintWatch>(form, "PaintWatch", gui::IRect{});
  return *watch;
}

}  // namespace

SurfaceTool::SurfaceTool(TForm_Draw& form, Program& program)
    : form_(form), program_(program), paints_(&WatchOf(form).paints), seenPaints_(*paints_) {}

bool SurfaceTool::Ready() const {
  return form_.CaptureSurface && form_.WorkSurface1 && form_.WorkSurface2 && form_.OverlayWindowDC;
}

bool SurfaceTool::NewShow() {
  // The surfaces outlive a show, and hold what its frames left there.
  if (form_.ShowSerial() == show_) return false;
  show_ = form_.ShowSerial();
  return true;
}

bool SurfaceTool::Repainted() { return std::exchange(seenPaints_, *paints_) != *paints_; }

bool SurfaceTool::PaintWindow() {
  if (!Ready() || !ShownThisShow()) return false;
  PresentChange(FrameSurface(), {}, {}, true);
  return true;
}

void SurfaceTool::Present(Hdc from, const gui::IRect& part) {
  if (part.Empty()) return;
  program_.sys.BitBlt(form_.OverlayWindowDC, part.left, part.top, part.Width(), part.Height(), from,
                      part.left, part.top, kSrcCopy);
}

void SurfaceTool::PresentChange(Hdc from, const gui::IRect& before, const gui::IRect& after,
                                bool whole) {
  if (whole) {
    Present(from, {0, 0, form_.DesktopRect.Width(), form_.DesktopRect.Height()});
    form_.WindowCovered();
    return;
  }
  // Overlapping places go as one; apart, each on its own, so the screen
  // between them is not copied.
  if (!gui::Intersect(before, after).Empty()) {
    Present(from, Bounding(before, after));
    return;
  }
  Present(from, before);
  Present(from, after);
}

}  // namespace tools
