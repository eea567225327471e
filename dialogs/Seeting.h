// The settings dialog: the look of the drawing tools, the zoom factor, the
// program to open, the break's length, colours and sound, and the sound of
// the Play Sound effect. Radio buttons, lists and colour buttons write
// through to the shared record at once; the name fields and the minutes
// reach it at OK, which also stores the record in the registry.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/Program.h"
#include "gui/Form.h"
#include "gui/Graphic.h"

// What the framework's integer conversion raises for a text that is not a
// whole number: "'%s' is not a valid integer value".
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The framework's integer conversion: leading blanks, an optional sign, then
// decimal digits, or hexadecimal ones after "$" or "0x"; nothing may follow,
// and the number must fit in 32 bits.
std::int32_t StrToInt(std::string_view text);

class TForm_Seeting : public gui::Form {
 public:
  TForm_Seeting(gui::Application& app, Program& program);

  // The background and the caption strip, which drags the window.
  gui::BevelPanel Panel1;
  gui::BevelPanel SettingsCaption;
  gui::Image Image1;

  void FormClose(gui::CloseAction& action);
  void Image1MouseDown(gui::MouseButton button, unsigned shift, int x, int y);
  void Image1MouseMove(unsigned shift, int x, int y);
  void Image1MouseUp(gui::MouseButton button, unsigned shift, int x, int y);
  void SettingsCaptionMouseUp(gui::MouseButton button, unsigned shift, int x, int y);

  // Fills the preview with the colour under a black line along its top and
  // left edges (and its right one, 65 pixels in, in the wider previews).
  static void PaintColorPreview(gui::Image& image, gui::Color colour);

 private:
  Program& program_;
  bool TitleDragging = false;
  std::int32_t DragStartX = 0;
  std::int32_t DragStartY = 0;
};
