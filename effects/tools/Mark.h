// Mark (mode 1): stamps a 32 by 32 mark (at 96 DPI; as large to the eye at
// any other) with its top-left corner at the click, on the overlay window
// only; a right click picks the next mark and its pointer.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "effects/Show.h"
#include "gui/ImageList.h"

namespace tools {

// Loads a mark's cursor file from the working directory, or else from the
// program's own folder, so a program started from elsewhere still finds the
// files installed beside it. 0 when neither has it.
platform::HCursor LoadMarkCursor(platform::Platform& sys, std::string_view fileName);

class MarkTool : public OverlayTool {
 public:
  MarkTool(TForm_Draw& form, Program& program);
  void MouseDown(gui::MouseButton button, unsigned shift, int x, int y) override;

  // Check mark, cross, circle.
  gui::ImageList ImageList_32{32, 32};
  gui::MaskedImage MarkIcon;  // the mark last stamped

 private:
  // The stamp of a mark at the show's DPI: ImageList_32's at 96, else drawn
  // at the scale, once per DPI.
  const gui::MaskedImage* Stamp(std::size_t choice);
  std::uint32_t scaledDpi_ = 0;
  std::array<gui::MaskedImage, 3> scaled_;

  TForm_Draw& form_;
  Program& program_;
};

}  // namespace tools
