// Drawing the overlay tools share: the rectangles of the form canvas, the
// pen lines with their raster modes, and drawing straight onto the overlay
// window (what the system shows, not the pictures of its controls).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/Platform.h"
#include "raster/Bitmap.h"

namespace tools {

// How a pen combines with the pixels under it: replace them, or AND its
// colour into them (text under a mask stroke stays readable).
enum class RasterMode { Copy, Mask };

// A rectangle from two corners as given; the system orders the corners
// before drawing, and coordinates far off the screen stay representable.
gui::IRect OrderedRect(std::int64_t left, std::int64_t top, std::int64_t right,
                       std::int64_t bottom);

// A rectangle filled with brush and outlined with a pen of penWidth inside
// its bounds (right and bottom exclusive), clipped to the bitmap. Returns
// the part it changed.
gui::IRect FillFramedRect(gui::Bitmap& dst, const gui::IRect& r, gui::Color brush, int penWidth,
                          gui::Color pen);
// The outline alone, brush clear.
gui::IRect FrameRectWidth(gui::Bitmap& dst, const gui::IRect& r, int penWidth, gui::Color pen);
// The four bands an outline of penWidth covers inside r (top, bottom, left,
// right; some may be empty): the pixels FrameRectWidth sets.
std::array<gui::IRect, 4> FrameBands(const gui::IRect& r, int penWidth);

// A rectangle as FillFramedRect draws it.
struct FramedShape {
  gui::IRect rect;
  gui::Color brush = gui::kWhite;
  int penWidth = 1;
  gui::Color pen = gui::kBlack;
  friend bool operator==(const FramedShape&, const FramedShape&) = default;
};
using Shapes = std::vector<FramedShape>;

// Draws the shapes in order, only inside clip: the pixels there are those
// that FillFramedRect of each shape gives.
void DrawShapes(gui::Bitmap& dst, const Shapes& shapes, const gui::IRect& clip);
// The parts of a picture of size bounds where one set of shapes drawn on it
// and another drawn on the same picture can differ: nothing for equal sets,
// the band between two solid rectangles of one colour, else where either
// set draws.
std::vector<gui::IRect> ShapesChange(const Shapes& before, const Shapes& after,
                                     const gui::IRect& bounds);
// a without b, as up to four rectangles.
std::vector<gui::IRect> Subtract(const gui::IRect& a, const gui::IRect& b);

// A pen line from (x0, y0) to (x1, y1). A pen of width 1 or less is one
// pixel wide and leaves its end point out, so joined segments meet once; a
// wider pen covers every pixel whose centre lies within half its width of
// the segment, which gives round ends and joins. Returns the changed part.
gui::IRect PenLine(gui::Bitmap& dst, int x0, int y0, int x1, int y1, std::int64_t width,
                   gui::Color colour, RasterMode mode);
// The part of dst that PenLine with the same ends and width may change.
gui::IRect PenLineBounds(const gui::Bitmap& dst, int x0, int y0, int x1, int y1,
                         std::int64_t width);

// Draws on the pixels the overlay window shows and hands the changed part
// to the system. draw takes the window's pixels and returns what it changed.
template <class Draw>
bool DrawOnWindow(platform::Platform& sys, platform::Hwnd window, Draw draw) {
  gui::Bitmap* pixels = sys.WindowSurface(window);
  if (!pixels) return false;
  const gui::IRect changed = gui::Intersect(draw(*pixels), pixels->Bounds());
  if (!changed.Empty()) sys.PresentWindowPixels(window, *pixels, changed);
  return true;
}

}  // namespace tools
