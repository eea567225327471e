// Spot Light (mode 6): the screen darkened but for a box or band at the
// pointer. Laser Beam (mode 7): a round coloured dot in place of the hidden
// pointer. Both compose on the surfaces of the show and put only what
// changed on the window.
#pragma once

#include <cstdint>

#include "effects/tools/SurfaceTool.h"

namespace tools {

class SpotLightTool : public SurfaceTool {
 public:
  SpotLightTool(TForm_Draw& form, Program& program) : SurfaceTool(form, program) {}
  void MouseDown(gui::MouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;

 protected:
  platform::Hdc FrameSurface() const override { return form_.WorkSurface2; }

 private:
  // The lit area at (x, y) on the screen, or false for a style outside the
  // three.
  bool LitArea(int x, int y, gui::IRect& area) const;
  gui::IRect lit_;  // the lit part WorkSurface2 holds now
};

class LaserBeamTool : public SurfaceTool {
 public:
  LaserBeamTool(TForm_Draw& form, Program& program) : SurfaceTool(form, program) {}
  void MouseDown(gui::MouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;

  std::int32_t LaserColorIndex = 0;  // kept for the run

  // The dot's pen width for a stored size: ten pixels a step at 96 DPI, as
  // many more at dpi as the scale makes. A size below 1 gives the one-pixel
  // pen; a size whose dot would cover the whole screen from anywhere on it
  // is cut to the width that just does, which leaves the same pixels and
  // keeps the numbers small.
  static std::int32_t DotWidth(std::int32_t size, int w, int h,
                               std::uint32_t dpi = platform::kDefaultDpi);
  // The square restored around a dot of that width centred on (x, y), on
  // the screen (0, 0, w, h): the 100 x 100 square (at 96 DPI, scaled at
  // dpi), or as much more as a dot that does not fit in it needs.
  static gui::IRect RestoreSquare(int x, int y, std::int32_t width, int w, int h,
                                  std::uint32_t dpi = platform::kDefaultDpi);

 private:
  void Dot(int x, int y, std::int32_t width);
  // The dot WorkSurface1 holds now, and the square that restores it.
  bool dotShown_ = false;
  gui::IRect dotSquare_;
};

}  // namespace tools
