#include "gui/Graphic.h"

#include <algorithm>

#include "gui/Application.h"

namespace gui {

using platform::TextExtent;
using platform::TextFont;

namespace {

TextFont FaceOf(const Font& font) {
  return {font.face, font.height, font.bold ? platform::kFwBold : platform::kFwNormal};
}

// The baseline is not reported by the text operation; the faces in use put
// it at about four fifths of the cell, and the underline sits a pixel below.
IRect UnderlineOf(int x, int y, const TextExtent& e) {
  const int thickness = std::max(1, e.height / 18);
  const int row = y + (e.height * 81 + 50) / 100 + 1;
  return {x, row, x + e.width, row + thickness};
}

// Lines of a 3D frame along the inside of r, width steps deep: top and left
// in light (the top-right and bottom-left corner pixels excepted), bottom
// and right in dark.
void Frame3D(Bitmap& frame, IRect r, Color light, Color dark, int width) {
  for (int i = 0; i < width && !r.Empty(); ++i) {
    raster::FillRect(frame, {r.left, r.top, r.right - 1, r.top + 1}, light);
    raster::FillRect(frame, {r.left, r.top, r.left + 1, r.bottom - 1}, light);
    raster::FillRect(frame, {r.right - 1, r.top, r.right, r.bottom}, dark);
    raster::FillRect(frame, {r.left, r.bottom - 1, r.right, r.bottom}, dark);
    r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  }
}

IRect Inset(const IRect& r, int by) {
  return {r.left + by, r.top + by, std::max(r.left + by, r.right - by),
          std::max(r.top + by, r.bottom - by)};
}

// Draws text at (x, y) with nothing outside clip touched: straight onto the
// frame when the text's box lies inside clip, else through a copy of the
// clipped part.
void DrawTextClipped(platform::Platform& sys, Bitmap& frame, const IRect& clip, int x, int y,
                     const Font& font, std::string_view text, const TextExtent& extent) {
  const IRect box{x, y, x + extent.width, y + extent.height};
  const IRect visible = Intersect(clip, frame.Bounds());
  if (visible.Empty()) return;
  if (Intersect(box, visible) == box) {
    DrawText(sys, frame, x, y, font, text);
    return;
  }
  Bitmap part(visible.Width(), visible.Height());
  raster::Blit(part, 0, 0, frame, visible);
  DrawText(sys, part, x - visible.left, y - visible.top, font, text);
  raster::Blit(frame, visible.left, visible.top, part);
}

}  // namespace

TextExtent MeasureText(platform::Platform& sys, const Font& font, std::string_view text) {
  TextExtent e;
  if (!sys.MeasureString(FaceOf(font), text, &e)) return {};
  return e;
}

bool DrawText(platform::Platform& sys, Bitmap& frame, int x, int y, const Font& font,
              std::string_view text) {
  const Color ink = PaintColor(sys, font.color);
  if (!sys.DrawString(frame, x, y, FaceOf(font), text, ink)) return false;
  if (font.underline) {
    const TextExtent e = MeasureText(sys, font, text);
    raster::FillRect(frame, UnderlineOf(x, y, e), ink);
  }
  return true;
}

// ---- GraphicControl ------------------------------------------------------------

IRect GraphicControl::Placed(int ox, int oy) const {
  const IRect& b = BoundsRect();
  return {b.left - ox, b.top - oy, b.right - ox, b.bottom - oy};
}

void GraphicControl::Paint(Bitmap& frame) const { DrawAt(frame, 0, 0); }

void GraphicControl::Paint(Bitmap& frame, const IRect& clip) const {
  const IRect& b = BoundsRect();
  const IRect area = Intersect(Intersect(clip, b), frame.Bounds());
  if (area.Empty()) return;
  if (area == b) {
    DrawAt(frame, 0, 0);
    return;
  }
  // Drawn whole on a copy of the control's area, of which only the part goes
  // back.
  Bitmap part(b.Width(), b.Height());
  raster::Blit(part, 0, 0, frame, b);
  DrawAt(part, b.left, b.top);
  raster::Blit(frame, area.left, area.top, part,
               {area.left - b.left, area.top - b.top, area.right - b.left, area.bottom - b.top});
}

// ---- Label ---------------------------------------------------------------------

Label::Label(Form& owner, std::string name, int left, int top, std::string caption, Font font)
    : GraphicControl(owner, std::move(name), {left, top, left, top}),
      caption_(std::move(caption)),
      font_(std::move(font)) {
  Fit();
}

void Label::Fit() {
  if (!autoSize_) {
    Changed();
    return;
  }
  const TextExtent e = MeasureText(Owner().App().Sys(), font_, caption_);
  SetBounds(Left(), Top(), e.width, e.height);
}

void Label::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Fit();
}

void Label::SetFont(Font font) {
  font_ = std::move(font);
  Fit();
}

void Label::SetFontColor(Color c) {
  if (font_.color == c) return;
  font_.color = c;
  Changed();
}

void Label::SetAutoSize(bool autoSize) {
  if (autoSize_ == autoSize) return;
  autoSize_ = autoSize;
  Fit();
}

void Label::SetAlignment(Alignment a) {
  if (alignment_ == a) return;
  alignment_ = a;
  Changed();
}

void Label::SetTransparent(bool transparent) {
  if (transparent_ == transparent) return;
  transparent_ = transparent;
  Changed();
}

IRect Label::TextRect() const {
  const TextExtent e = MeasureText(Owner().App().Sys(), font_, caption_);
  int x = Left();
  if (alignment_ == Alignment::Center) x += (Width() - e.width) / 2;
  if (alignment_ == Alignment::Right) x += Width() - e.width;
  return {x, Top(), x + e.width, Top() + e.height};
}

bool Label::Covers(const IRect& area) const {
  return !transparent_ && Intersect(area, BoundsRect()) == area;
}

void Label::DrawAt(Bitmap& target, int ox, int oy) const {
  const IRect b = Placed(ox, oy);
  if (!transparent_) raster::FillRect(target, b, PaintColor(Owner().App().Sys(), color));
  if (caption_.empty()) return;
  const IRect t = TextRect();
  // A font the system cannot make leaves just the background.
  DrawTextClipped(Owner().App().Sys(), target, b, t.left - ox, t.top - oy, font_, caption_,
                  {t.Width(), t.Height()});
}

// ---- Bevel ---------------------------------------------------------------------

Bevel::Bevel(Form& owner, std::string name, IRect bounds, BevelShape bevelShape,
             BevelStyle bevelStyle)
    : GraphicControl(owner, std::move(name), bounds), shape(bevelShape), style(bevelStyle) {}

void Bevel::DrawAt(Bitmap& frame, int ox, int oy) const {
  const IRect b = Placed(ox, oy);
  if (b.Empty()) return;
  // The first colour goes on the top and left of a box and on the first of
  // a line's two rows or columns.
  const Color first = style == BevelStyle::Lowered ? kBtnShadow : kBtnHighlight;
  const Color second = style == BevelStyle::Lowered ? kBtnHighlight : kBtnShadow;
  using raster::FillRect;
  using raster::FrameRect;
  switch (shape) {
    case BevelShape::Box: Frame3D(frame, b, first, second, 1); break;
    case BevelShape::Frame:
      // An etched outline: the second colour one pixel in, the first over it.
      FrameRect(frame, {b.left + 1, b.top + 1, b.right, b.bottom}, second);
      FrameRect(frame, {b.left, b.top, b.right - 1, b.bottom - 1}, first);
      break;
    case BevelShape::TopLine:
      FillRect(frame, {b.left, b.top, b.right, b.top + 1}, first);
      FillRect(frame, {b.left, b.top + 1, b.right, b.top + 2}, second);
      break;
    case BevelShape::BottomLine:
      FillRect(frame, {b.left, b.bottom - 2, b.right, b.bottom - 1}, first);
      FillRect(frame, {b.left, b.bottom - 1, b.right, b.bottom}, second);
      break;
    case BevelShape::LeftLine:
      FillRect(frame, {b.left, b.top, b.left + 1, b.bottom}, first);
      FillRect(frame, {b.left + 1, b.top, b.left + 2, b.bottom}, second);
      break;
    case BevelShape::RightLine:
      FillRect(frame, {b.right - 2, b.top, b.right - 1, b.bottom}, first);
      FillRect(frame, {b.right - 1, b.top, b.right, b.bottom}, second);
      break;
  }
}

// ---- SpeedButton ---------------------------------------------------------------

SpeedButton::SpeedButton(Form& owner, std::string name, IRect bounds, std::string caption,
                         Font font)
    : GraphicControl(owner, std::move(name), bounds),
      caption_(std::move(caption)),
      font_(std::move(font)) {
  OnMouseDown = [this](MouseButton button, unsigned, int x, int y) {
    if (button != MouseButton::Left) return;
    held_ = true;
    SetPressed(x >= 0 && y >= 0 && x < Width() && y < Height());
  };
  // The form keeps reporting to the button while it is held, also outside.
  OnMouseMove = [this](unsigned, int x, int y) {
    if (held_) SetPressed(x >= 0 && y >= 0 && x < Width() && y < Height());
  };
  OnMouseUp = [this](MouseButton button, unsigned, int, int) {
    if (button != MouseButton::Left) return;
    held_ = false;
    SetPressed(false);
  };
}

void SpeedButton::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed();
}

void SpeedButton::SetPressed(bool pressed) {
  if (pressed_ == pressed) return;
  pressed_ = pressed;
  Changed();
}

void SpeedButton::DrawAt(Bitmap& frame, int ox, int oy) const {
  const IRect b = Placed(ox, oy);
  if (pressed_) Frame3D(frame, b, kBtnShadow, kBtnHighlight, 1);
  if (caption_.empty()) return;
  platform::Platform& sys = Owner().App().Sys();
  const TextExtent e = MeasureText(sys, font_, caption_);
  const int shift = pressed_ ? 1 : 0;
  const int x = b.left + (b.Width() - e.width + 1) / 2 + shift;
  const int y = b.top + (b.Height() - e.height) / 2 + shift;
  DrawTextClipped(sys, frame, Inset(b, 1), x, y, font_, caption_, e);
}

// ---- BevelPanel ----------------------------------------------------------------

BevelPanel::BevelPanel(Form& owner, std::string name, IRect bounds, Color colour)
    : GraphicControl(owner, std::move(name), bounds), color_(colour) {}

void BevelPanel::SetColor(Color c) {
  if (color_ == c) return;
  color_ = c;
  Changed();
}

void BevelPanel::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed();
}

IRect BevelPanel::Interior() const {
  int inset = singleBorder ? 2 : 0;
  if (bevelOuter != PanelBevel::None) inset += bevelWidth;
  inset += std::max(borderWidth, 0);
  if (bevelInner != PanelBevel::None) inset += bevelWidth;
  return Inset(BoundsRect(), inset);
}

bool BevelPanel::Covers(const IRect& area) const { return Intersect(area, BoundsRect()) == area; }

void BevelPanel::DrawAt(Bitmap& frame, int ox, int oy) const {
  IRect r = Placed(ox, oy);
  if (r.Empty()) return;
  raster::FillRect(frame, r, PaintColor(Owner().App().Sys(), color_));
  if (singleBorder) {
    // The system's sunken client edge, two pixels deep.
    Frame3D(frame, r, kBtnShadow, kBtnHighlight, 1);
    Frame3D(frame, Inset(r, 1), k3DDarkShadow, k3DLight, 1);
    r = Inset(r, 2);
  }
  auto bevel = [&](PanelBevel kind) {
    if (kind == PanelBevel::None) return;
    if (kind == PanelBevel::Space) {
      r = Inset(r, bevelWidth);
      return;
    }
    const bool raised = kind == PanelBevel::Raised;
    Frame3D(frame, r, raised ? kBtnHighlight : kBtnShadow, raised ? kBtnShadow : kBtnHighlight,
            bevelWidth);
    r = Inset(r, bevelWidth);
  };
  bevel(bevelOuter);
  r = Inset(r, std::max(borderWidth, 0));
  bevel(bevelInner);
  if (caption_.empty()) return;
  platform::Platform& sys = Owner().App().Sys();
  const TextExtent e = MeasureText(sys, font, caption_);
  const IRect inner = r;
  const int x = inner.left + (inner.Width() - e.width) / 2;
  const int y = inner.top + (inner.Height() - e.height) / 2;
  DrawTextClipped(sys, frame, inner, x, y, font, caption_, e);
}

// ---- GroupFrame ----------------------------------------------------------------

GroupFrame::GroupFrame(Form& owner, std::string name, IRect bounds, std::string caption, Font font,
                       Color colour)
    : GraphicControl(owner, std::move(name), bounds),
      color(colour),
      caption_(std::move(caption)),
      font_(std::move(font)) {}

IRect GroupFrame::CaptionRect() const {
  const TextExtent e = MeasureText(Owner().App().Sys(), font_, caption_);
  return {Left() + 8, Top(), Left() + 8 + e.width, Top() + e.height};
}

bool GroupFrame::Covers(const IRect& area) const { return Intersect(area, BoundsRect()) == area; }

void GroupFrame::DrawAt(Bitmap& frame, int ox, int oy) const {
  const IRect b = Placed(ox, oy);
  if (b.Empty()) return;
  platform::Platform& sys = Owner().App().Sys();
  // The frame's top edge runs through the middle of a digit's height, even
  // without a caption.
  const TextExtent digit = MeasureText(sys, font_, "0");
  const int mid = b.top + digit.height / 2;
  const Color face = PaintColor(sys, color);
  raster::FillRect(frame, b, face);
  raster::FrameRect(frame, {b.left + 1, mid, b.right, b.bottom}, kBtnHighlight);
  raster::FrameRect(frame, {b.left, mid - 1, b.right - 1, b.bottom - 1}, kBtnShadow);
  if (caption_.empty()) return;
  IRect c = CaptionRect();
  c = {c.left - ox, c.top - oy, c.right - ox, c.bottom - oy};
  raster::FillRect(frame, Intersect(c, b), face);
  DrawTextClipped(sys, frame, b, c.left, c.top, font_, caption_, {c.Width(), c.Height()});
}

}  // namespace gui
