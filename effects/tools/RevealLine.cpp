#include "effects/tools/RevealLine.h"

#include <climits>

namespace tools {

std::int32_t NextColorIndex(std::int32_t index) { return index < 0 || index >= 3 ? 0 : index + 1; }

std::int32_t NextStyle(std::int32_t style, std::int32_t count) {
  if (style == INT32_MAX) return style;
  const std::int32_t next = style + 1;
  return next == count ? 0 : next;
}

void FrameTool::FrameStep(const Shapes& next) {
  if (!form_.CleanImage || !form_.WorkImage || form_.CleanImage->Empty()) return;
  const gui::Bitmap& clean = *form_.CleanImage;
  gui::Bitmap& work = *form_.WorkImage;
  const gui::IRect into{0, 0, form_.DesktopRect.Width(), form_.DesktopRect.Height()};
  if (knownShow_ != form_.ShowSerial()) {
    // A new show starts with both pictures the clean one, when they are
    // the desktop's size.
    knownShow_ = form_.ShowSerial();
    known_ = clean.Bounds() == into && work == clean && form_.Image_Draw.Picture() == clean;
    shown_.clear();
    work_.clear();
  }
  if (wholeFrames || !known_ || work.Bounds() != into ||
      form_.Image_Draw.Picture().Bounds() != into) {
    known_ = false;
    WholeStep(next);
    return;
  }
  // Show: WorkImage becomes the picture, which differs from the last one
  // only where their shapes do; the old picture comes back to be reset.
  form_.Image_Draw.SwapPicture(work, ShapesChange(shown_, work_, into));
  // Reset and draw: only where the old shapes and the next ones differ.
  for (const gui::IRect& part : ShapesChange(shown_, next, into)) {
    gui::raster::Blit(work, part.left, part.top, clean, part);
    DrawShapes(work, next, part);
  }
  shown_ = std::move(work_);
  work_ = next;
}

void FrameTool::WholeStep(const Shapes& next) {
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
  DrawShapes(work, next, work.Bounds());
}

// ---- Reveal ---------------------------------------------------------------------

bool RevealTool::Cover(std::int32_t style, std::int64_t e) {
  if (style < 0 || style > 3) return false;
  const std::int64_t w = form_.ScreenWidth, h = form_.ScreenHeight;
  const gui::Color colour = program_.Settings.RevealColor;
  gui::IRect cover;
  switch (style) {
    case 0: cover = OrderedRect(e, 0, w, h); break;
    case 1: cover = OrderedRect(0, 0, w, e); break;
    case 2: cover = OrderedRect(0, 0, e, h); break;
    default: cover = OrderedRect(0, e, w, h); break;
  }
  // Brush and one-pixel pen in the same colour: a solid block.
  FrameStep({{cover, colour, 1, colour}});
  return true;
}

void RevealTool::MouseMove(unsigned, int x, int y) {
  const std::int32_t style = program_.Settings.RevealStyle;
  const int along = style == 1 || style == 3 ? y : x;
  // The edge stands a margin past the pointer, or at the screen's edge while
  // the pointer is within the margin of it.
  Cover(style, along < form_.Px(16) ? 0 : along + form_.Px(15));
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
  // White inside a two-pixel outline: 5 pixels across.
  const std::int64_t across = form_.Px(5);
  const int outline = static_cast<int>(form_.Px(2));
  Shapes bars;
  if (style == 0 || style == 2)
    bars.push_back({OrderedRect(x, 0, x + across, h), gui::kWhite, outline, pen});
  if (style == 1 || style == 2)
    bars.push_back({OrderedRect(0, y, w, y + across), gui::kWhite, outline, pen});
  FrameStep(bars);
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
