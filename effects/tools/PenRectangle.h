// Pen (mode 5): freehand mask strokes on the overlay window while the left
// button is held. Rectangle (mode 8): a rubber band opened by one click and
// fixed into Image_Draw's picture by the next.
#pragma once

#include "effects/Show.h"

namespace tools {

class PenTool : public OverlayTool {
 public:
  PenTool(TForm_Draw& form, Program& program) : form_(form), program_(program) {}
  void MouseDown(gui::MouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;
  // The canvas pen's width for a pen size: five pixels a step.
  static std::int64_t WidthFor(std::int32_t penSize) { return std::int64_t{penSize} * 5; }
  // The same in the pixels of a show at dpi, held in the canvas pen: a size
  // whose width no int holds gets the widest pen, which covers the screen
  // all the same.
  static int CanvasWidthFor(std::int32_t penSize, std::uint32_t dpi);

 private:
  void Stroke(int x, int y);
  void Keep(const gui::Bitmap& pixels, int x0, int y0, int x1, int y1, std::int64_t width);
  TForm_Draw& form_;
  Program& program_;
};

class RectangleTool : public OverlayTool {
 public:
  RectangleTool(TForm_Draw& form, Program& program);
  void MouseDown(gui::MouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;
  int AnchorX = 0, AnchorY = 0;
  // The outline's width in the show's pixels: RectanglePenWidth's, where
  // its 0 is the one-pixel line.
  static int OutlineWidth(const TForm_Draw& form);

 private:
  TForm_Draw& form_;
  Program& program_;
};

}  // namespace tools
