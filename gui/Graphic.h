// Graphic controls: labels, bevels, flat speed buttons, bevelled panels with
// a caption, and drawn group frames. Like every control of a form they have
// no window of their own; each paints itself onto the form's frame with the
// raster, and text goes through the system's font engine (the platform's
// text operation), so a face the system lacks is replaced as the system
// decides.
#pragma once

#include <string>
#include <string_view>

#include "gui/Form.h"
#include "platform/Platform.h"

namespace gui {

// The system's 3D colours, as the classic scheme has them.
inline constexpr Color kBtnFace = 0xC8D0D4;
inline constexpr Color kBtnHighlight = 0xFFFFFF;
inline constexpr Color kBtnShadow = 0x808080;
inline constexpr Color k3DDarkShadow = 0x404040;
inline constexpr Color k3DLight = 0xC8D0D4;
inline constexpr Color kNavy = 0x800000;

// A control's font: the face, character height and weight (regular or
// bold) the system is asked for, the colour, and an underline drawn on top
// (a line just below the baseline).
struct Font {
  std::string face = "MS Sans Serif";
  int height = 11;  // character height in pixels
  Color color = kBlack;
  bool bold = false;
  bool underline = false;
};

// The box text takes in font; empty when the
// system cannot make the font.
platform::TextExtent MeasureText(platform::Platform& sys, const Font& font, std::string_view text);
// Draws text with the top-left corner of its box at (x, y), only the glyphs
// (and the underline), clipped to frame. False when the system could not
// make the font; the frame is then as it was.
bool DrawText(platform::Platform& sys, Bitmap& frame, int x, int y, const Font& font,
              std::string_view text);

enum class Alignment { Left, Center, Right };

// What the graphic controls share: each draws its whole self with DrawAt,
// and the form's paint of a part of the frame is that drawing cut to the
// part (through a copy of the control's area when the part cuts it).
class GraphicControl : public Control {
 public:
  using Control::Control;
  void Paint(Bitmap& frame) const;
  void Paint(Bitmap& frame, const IRect& clip) const;
  // Whether the control covers every pixel of area (form coordinates).
  bool Opaque(const IRect& area) const { return Covers(area); }

 protected:
  virtual bool Covers(const IRect&) const { return false; }
  // Draws the control with the form point (ox, oy) at target's origin.
  virtual void DrawAt(Bitmap& target, int ox, int oy) const = 0;
  IRect Placed(int ox, int oy) const;
};

// A line of text. With autoSize on, the control takes the size of its text
// (keeping its left and top) whenever the caption or the font changes;
// otherwise the text stands inside the bounds by the alignment, vertically
// at the top. A transparent label draws only its text; an opaque one first
// fills its bounds with color.
class Label : public GraphicControl {
 public:
  Label(Form& owner, std::string name, int left, int top, std::string caption, Font font = {});

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  const Font& GetFont() const { return font_; }
  void SetFont(Font font);
  Color FontColor() const { return font_.color; }
  void SetFontColor(Color c);
  bool AutoSize() const { return autoSize_; }
  // Turning auto size off keeps the current bounds; SetBounds then sizes it.
  void SetAutoSize(bool autoSize);
  Alignment GetAlignment() const { return alignment_; }
  void SetAlignment(Alignment a);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  Color color = kBtnFace;  // the background of an opaque label

  // Where the text's box stands on the form (the text may be wider than the
  // bounds of a label that does not size itself).
  IRect TextRect() const;

 protected:
  bool Covers(const IRect& area) const override;
  void DrawAt(Bitmap& target, int ox, int oy) const override;

 private:
  void Fit();
  std::string caption_;
  Font font_;
  Alignment alignment_ = Alignment::Left;
  bool autoSize_ = true;
  bool transparent_ = false;
};

enum class BevelShape { Box, Frame, TopLine, BottomLine, LeftLine, RightLine };
enum class BevelStyle { Lowered, Raised };

// Lines that look pressed into or raised from the surface: a box (light and
// dark edges), a frame (an etched double outline), or a single etched line
// along one side of the bounds. Draws nothing inside.
class Bevel : public GraphicControl {
 public:
  Bevel(Form& owner, std::string name, IRect bounds, BevelShape shape = BevelShape::Box,
        BevelStyle style = BevelStyle::Lowered);
  BevelShape shape;
  BevelStyle style;

 protected:
  void DrawAt(Bitmap& target, int ox, int oy) const override;
};

// A flat button: its caption on the surface below, a raised edge never, a
// lowered one while the left button holds it down with the pointer over it
// (the caption then one pixel down and right). OnClick runs on a left press
// and release over it.
class SpeedButton : public GraphicControl {
 public:
  SpeedButton(Form& owner, std::string name, IRect bounds, std::string caption, Font font = {});
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  const Font& GetFont() const { return font_; }
  bool Pressed() const { return pressed_; }

 protected:
  void DrawAt(Bitmap& target, int ox, int oy) const override;

 private:
  void SetPressed(bool pressed);
  std::string caption_;
  Font font_;
  bool held_ = false;  // the left button went down on it and is still down
  bool pressed_ = false;
};

// Space is a bevel's width of the panel's colour, with no lines.
enum class PanelBevel { None, Lowered, Raised, Space };

// A panel that draws its own surface: an optional single border (the
// system's sunken 2-pixel edge), an outer bevel, a border of its colour, an
// inner bevel, its colour, and a caption centred in it. Other controls stand
// on it.
class BevelPanel : public GraphicControl {
 public:
  BevelPanel(Form& owner, std::string name, IRect bounds, Color colour = kBtnFace);
  Color color() const { return color_; }
  void SetColor(Color c);
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  Font font;
  PanelBevel bevelOuter = PanelBevel::Raised;
  PanelBevel bevelInner = PanelBevel::None;
  int bevelWidth = 1;
  int borderWidth = 0;
  bool singleBorder = false;
  // The area inside the border and bevels, which the colour fills.
  IRect Interior() const;

 protected:
  bool Covers(const IRect& area) const override;
  void DrawAt(Bitmap& target, int ox, int oy) const override;

 private:
  Color color_;
  std::string caption_;
};

// A group box drawn by the program: an etched frame whose top edge runs
// through the middle of the caption, and the caption at 8 pixels from the
// left on the group's colour. It holds no controls of its own: the controls
// in the group are the form's, placed over it.
class GroupFrame : public GraphicControl {
 public:
  GroupFrame(Form& owner, std::string name, IRect bounds, std::string caption, Font font = {},
             Color colour = kBtnFace);
  const std::string& Caption() const { return caption_; }
  const Font& GetFont() const { return font_; }
  Color color;
  // Where the caption's box stands on the form.
  IRect CaptionRect() const;

 protected:
  bool Covers(const IRect& area) const override;
  void DrawAt(Bitmap& target, int ox, int oy) const override;

 private:
  std::string caption_;
  Font font_;
};

}  // namespace gui
