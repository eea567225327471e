// Mark (mode 1): stamps a 32 by 32 mark with its top-left corner at the
// click, on the overlay window only; a right click picks the next mark and
// its pointer.
#pragma once

#include "effects/Show.h"
#include "gui/ImageList.h"

namespace tools {

class MarkTool : public OverlayTool {
 public:
  MarkTool(TForm_Draw& form, Program& program);
  void MouseDown(gui::MouseButton button, unsigned shift, int x, int y) override;

  // Check mark, cross, circle.
  gui::ImageList ImageList_32{32, 32};
  gui::MaskedImage MarkIcon;  // the mark last stamped

 private:
  TForm_Draw& form_;
  Program& program_;
};

}  // namespace tools
