#include "effects/tools/PenRectangle.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "effects/tools/ToolCanvas.h"
#include "gui/Dpi.h"

namespace tools {

// ---- Pen ------------------------------------------------------------------------

int PenTool::CanvasWidthFor(std::int32_t penSize, std::uint32_t dpi) {
  return static_cast<int>(
      std::clamp<std::int64_t>(gui::ScaleForDpi(WidthFor(penSize), dpi), INT_MIN, INT_MAX));
}

void PenTool::Keep(const gui::Bitmap& pixels, int x0, int y0, int x1, int y1, std::int64_t width) {
  // The stroke's step (its release ends it) keeps what the segment covers:
  // a long diagonal piece by piece, so that it keeps a band along the
  // segment and not the whole box around it. A pixel more each side covers
  // the rounding of the pieces' ends (and a one-pixel line's steps).
  const double dx = static_cast<double>(x1) - x0, dy = static_cast<double>(y1) - y0;
  const int pieces =
      std::clamp(static_cast<int>(std::hypot(dx, dy) / (2 * UndoHistory::kTile)), 1, 4096);
  int ax = x0, ay = y0;
  for (int k = 1; k <= pieces; ++k) {
    const int bx = static_cast<int>(std::lround(x0 + dx * k / pieces)),
              by = static_cast<int>(std::lround(y0 + dy * k / pieces));
    form_.History.Touch(
        pixels, PenLineBounds(pixels, ax, ay, bx, by, std::max<std::int64_t>(width, 1) + 2));
    ax = bx;
    ay = by;
  }
}

void PenTool::Stroke(int x, int y) {
  const CanvasPen& pen = form_.canvasPen;
  const RasterMode mode = pen.mode == PenMode::Mask ? RasterMode::Mask : RasterMode::Copy;
  // Strokes go to the window only: a repaint shows the clean picture again.
  DrawOnWindow(program_.sys, form_.Handle(), [&](gui::Bitmap& pixels) {
    Keep(pixels, form_.LastX, form_.LastY, x, y, pen.width);
    return PenLine(pixels, form_.LastX, form_.LastY, x, y, pen.width, pen.color, mode);
  });
}

void PenTool::MouseDown(gui::MouseButton button, unsigned, int x, int y) {
  TSettings& s = program_.Settings;
  if (button == gui::MouseButton::Left) {
    form_.PenDown = true;
    Stroke(x, y);  // LastX, LastY hold the click point: a dot of the pen's width
    return;
  }
  // Sizes past the table keep rising (saturating) and never wrap.
  if (s.PenSize != INT32_MAX) s.PenSize = s.PenSize + 1 == 6 ? 1 : s.PenSize + 1;
  form_.canvasPen = {CanvasWidthFor(s.PenSize, form_.Dpi), PenMode::Mask, s.PenColor};
}

void PenTool::MouseMove(unsigned, int x, int y) {
  if (!form_.PenDown) return;
  Stroke(x, y);
  form_.LastX = x;
  form_.LastY = y;
}

// ---- Rectangle ------------------------------------------------------------------

RectangleTool::RectangleTool(TForm_Draw& form, Program& program) : form_(form), program_(program) {
  // The rubber band only shows the box: presses, moves and releases over it
  // reach the tool as if it were not there.
  // Bound to the form, not to this tool, which another may replace.
  TForm_Draw* f = &form_;
  OverlayShape& band = form_.Shape1;
  band.OnMouseDown = [f](gui::MouseButton b, unsigned s, int x, int y) {
    f->Image_DrawMouseDown(b, s, x + f->Shape1.Left(), y + f->Shape1.Top());
  };
  band.OnMouseMove = [f](unsigned s, int x, int y) {
    f->Image_DrawMouseMove(s, x + f->Shape1.Left(), y + f->Shape1.Top());
  };
  band.OnMouseUp = [f](gui::MouseButton b, unsigned s, int x, int y) {
    f->Image_DrawMouseUp(b, s, x + f->Shape1.Left(), y + f->Shape1.Top());
  };
}

int RectangleTool::OutlineWidth(const TForm_Draw& form) {
  return static_cast<int>(form.Px(std::max(form.RectanglePenWidth, 1)));
}

void RectangleTool::MouseDown(gui::MouseButton button, unsigned, int x, int y) {
  OverlayShape& band = form_.Shape1;
  if (button == gui::MouseButton::Right) {
    if (form_.RectanglePhase != 1) return;
    form_.RectanglePenWidth = form_.RectanglePenWidth >= 5 || form_.RectanglePenWidth < 0
                                  ? 1
                                  : form_.RectanglePenWidth + 1;
    band.SetPen(OutlineWidth(form_), band.penColor);
    return;
  }
  if (form_.RectanglePhase == 0) {
    band.SetBounds(x, y, 0, 0);
    band.SetVisible(true);
    form_.RectanglePhase = 1;
    AnchorX = x;
    AnchorY = y;
    form_.RectangleDragging = true;
    return;
  }
  form_.RectanglePhase = 0;
  // The box is fixed where the band stood after the last move, into the
  // picture, with the same outline the band showed.
  const gui::IRect box = band.BoundsRect();
  if (!box.Empty() && form_.Image_Draw.HasPicture()) {
    const gui::Color colour = program_.Settings.RectangleColor;
    form_.Image_Draw.EditPicture([&](gui::Bitmap& picture) {
      // The step keeps only what the outline covers.
      for (const gui::IRect& band : FrameBands(box, OutlineWidth(form_)))
        form_.History.Touch(picture, band);
      return FrameRectWidth(picture, box, OutlineWidth(form_), colour);
    });
    form_.History.EndStep();
  }
  band.SetBounds(band.Left(), band.Top(), 0, 0);
  form_.RectangleDragging = false;
}

void RectangleTool::MouseMove(unsigned, int, int) {
  if (!form_.RectangleDragging) return;
  // The band follows where the pointer is now, not where the event said;
  // the pointer's place is the screen's, the band's the overlay's.
  program_.sys.GetCursorPos(&form_.PointerPos);
  const platform::Point p{form_.PointerPos.x - form_.DesktopRect.left,
                          form_.PointerPos.y - form_.DesktopRect.top};
  const gui::IRect box = OrderedRect(AnchorX, AnchorY, p.x, p.y);
  form_.Shape1.SetBounds(box.left, box.top, box.Width(), box.Height());
}

}  // namespace tools
