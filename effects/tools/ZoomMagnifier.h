// Zoom (mode 4): the whole screen filled with an enlarged part of it whose
// top-left corner follows the pointer. Magnifier (mode 9): a square lens at
// the pointer showing the area under it enlarged twice, which a left click
// pins to the screen. Both compose on the surfaces of the show.
#pragma once

#include <cstdint>
#include <vector>

#include "effects/tools/SurfaceTool.h"

namespace tools {

class ZoomTool : public SurfaceTool {
 public:
  ZoomTool(TForm_Draw& form, Program& program) : SurfaceTool(form, program) {}
  void MouseDown(gui::MouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;

  // The area of the screen (0, 0, w, h) that the view at (x, y) enlarges
  // with a stored factor. A factor below 2 enlarges twice (it would divide
  // by zero or enlarge nothing); one so large that the area would have no
  // width or height keeps it one pixel wide or high.
  static gui::IRect SourceArea(int x, int y, std::int32_t factor, int w, int h);

  bool PaintWindow() override;

 private:
  void View(int x, int y);
  // The view of the area on the window, whole.
  void Show(const gui::IRect& area);
  gui::IRect shown_;  // the area the window shows enlarged now
};

class MagnifierTool : public SurfaceTool {
 public:
  MagnifierTool(TForm_Draw& form, Program& program) : SurfaceTool(form, program) {}
  void MouseDown(gui::MouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;
  void ShowBegins() override { PinLens = false; }
  void LayerRestored(const std::vector<gui::IRect>& areas) override;

  static constexpr std::int32_t LensFactor = 2;
  std::int32_t LensSize = 300;  // kept for the run
  bool PinLens = false;

 private:
  // The lens frame: a red square along the lens's edge, one pixel wide at
  // 96 DPI.
  void Frame(platform::Hdc surface, int left, int top, std::int32_t size);
  gui::IRect lens_;         // where WorkSurface1 holds the live lens now
  platform::Point source_;  // the corner of the area it shows
  bool stale_ = false;      // the next frame is composed even in the same place
};

}  // namespace tools
