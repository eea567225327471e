#include "effects/tools/RevealLine.h"

#include <climits>

#include "effects/tools/ToolCanvas.h"

namespace tools {

std::int32_t NextColorIndex(std::int32_t index) { return index < 0 || index >= 3 ? 0 : index + 1; }

std::int32_t NextStyle(std::int32_t style, std::int32_t count) {
  if (style == INT32_MAX) return style;
  const std::int32_t next = style + 1;
  return next == count ? 0 : next;
}

template <class Draw>
void FrameTool::FrameStep(Draw draw) {
  if (!form_.CleanImage || !form_.WorkImage || form_.CleanImage->Empty()) return;
  gui::Bitmap& work = *form_.WorkImage;
  // Show: the form's picture becomes WorkImage, stretched onto the desktop
  // rectangle when the two differ.
  const gui::IRect into{0, 0, form_.DesktopRect.Width(), form_.DesktopRect.Height()};
  if (!work.Empty() && !into.Empty()) {
    if (work.Bounds() == into) {
      form_.Image_Draw.SetPicture(work);
    } else {
      gui::Bitmap shown(into.Width(), into.Height(), form_.color);
      gui::raster::StretchBlit(shown, into, work, work.Bounds());
      form_.Image_Draw.SetPicture(shown);
    }
  }
  // Reset, then the shapes the next event shows.
  work = *form_.CleanImage;
  draw(work);
}

// ---- Reveal ---------------------------------------------------------------------

bool RevealTool::Cover(std::int32_t style, std::int64_t e) {
  if (style < 0 || style > 3) return false;
  const std::int64_t w = form_.ScreenWidth, h = form_.ScreenHeight;
  const gui::Color colour = program_.Settings.RevealColor;
  FrameStep([&](gui::Bitmap& work) {
    gui::IRect cover;
    switch (style) {
      case 0: cover = OrderedRect(e, 0, w, h); break;
      case 1: cover = OrderedRect(0, 0, w, e); break;
      case 2: cover = OrderedRect(0, 0, e, h); break;
      default: cover = OrderedRect(0, e, w, h); break;
    }
    // Brush and one-pixel pen in the same colour: a solid block.
    FillFramedRect(work, cover, colour, 1, colour);
  });
  return true;
}

void RevealTool::MouseMove(unsigned, int x, int y) {
  const std::int32_t style = program_.Settings.RevealStyle;
  const int along = style == 1 || style == 3 ? y : x;
  Cover(style, along < 16 ? 0 : std::int64_t{along} + 15);
}

void RevealTool::MouseDown(gui::MouseButton button, unsigned, int x, int y) {
  TSettings& s = program_.Settings;
  if (button == gui::MouseButton::Left) {
    RevealColorIndex = NextColorIndex(RevealColorIndex);
    s.RevealColor = ClickColors[static_cast<std::size_t>(RevealColorIndex)];
    Cover(s.RevealStyle, s.RevealStyle == 1 || s.RevealStyle == 3 ? y : x);
    return;
  }
  s.RevealStyle = NextStyle(s.RevealStyle, 4);
  Cover(s.RevealStyle, s.RevealStyle == 1 || s.RevealStyle == 3 ? y : x);
  form_.NudgePointer();
}

// ---- Line -----------------------------------------------------------------------

void LineTool::Bars(int x, int y) {
  const std::int32_t style = program_.Settings.LineStyle;
  if (style < 0 || style > 2) return;
  const std::int64_t w = form_.ScreenWidth, h = form_.ScreenHeight;
  const gui::Color pen = program_.Settings.LineColor;
  FrameStep([&](gui::Bitmap& work) {
    // White inside a two-pixel outline: 5 pixels across.
    if (style == 0 || style == 2)
      FillFramedRect(work, OrderedRect(x, 0, std::int64_t{x} + 5, h), gui::kWhite, 2, pen);
    if (style == 1 || style == 2)
      FillFramedRect(work, OrderedRect(0, y, w, std::int64_t{y} + 5), gui::kWhite, 2, pen);
  });
}

void LineTool::MouseMove(unsigned, int x, int y) { Bars(x, y); }

void LineTool::MouseDown(gui::MouseButton button, unsigned, int x, int y) {
  TSettings& s = program_.Settings;
  if (button == gui::MouseButton::Left) {
    LineColorIndex = NextColorIndex(LineColorIndex);
    s.LineColor = ClickColors[static_cast<std::size_t>(LineColorIndex)];
    Bars(x, y);
    return;
  }
  s.LineStyle = NextStyle(s.LineStyle, 3);
  Bars(x, y);
  form_.NudgePointer();
}

}  // namespace tools
