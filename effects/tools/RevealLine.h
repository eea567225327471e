// Reveal (mode 2): a solid cover whose edge follows the pointer. Line (mode
// 3): a guide bar across the screen through the pointer. Both show, on each
// event, the frame the previous event prepared in WorkImage.
#pragma once

#include <array>
#include <cstdint>

#include "effects/Show.h"
#include "effects/tools/ToolCanvas.h"

namespace tools {

// The colours a left click steps through, by index.
inline constexpr std::array<gui::Color, 4> ClickColors = {0x00FF0000, 0x00008000, 0x000000FF,
                                                          0x0000FFFF};

// Steps a colour index 0, 1, 2, 3, 0.
std::int32_t NextColorIndex(std::int32_t index);
// A style plus one, 0 once it reaches count; a value already past the table
// keeps rising (saturating) and so stays outside it.
std::int32_t NextStyle(std::int32_t style, std::int32_t count);

// The frame scheme both tools share.
class FrameTool : public OverlayTool {
 protected:
  FrameTool(TForm_Draw& form, Program& program) : form_(form), program_(program) {}
  // Shows WorkImage, resets it to CleanImage and draws the shapes on it
  // that the next event shows.
  void FrameStep(const Shapes& next);
  TForm_Draw& form_;
  Program& program_;

 private:
  // The plain scheme: a whole copy of each picture.
  void WholeStep(const Shapes& next);
  // The shapes that Image_Draw's picture and WorkImage hold over the clean
  // picture, while the two are known to be just that (in the show of
  // knownShow_).
  Shapes shown_, work_;
  std::uint64_t knownShow_ = 0;
  bool known_ = false;
};

class RevealTool : public FrameTool {
 public:
  RevealTool(TForm_Draw& form, Program& program) : FrameTool(form, program) {}
  void MouseDown(gui::MouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;
  std::int32_t RevealColorIndex = 0;  // kept for the run

 private:
  // The cover for style with its edge at e; false outside the styles.
  bool Cover(std::int32_t style, std::int64_t e);
};

class LineTool : public FrameTool {
 public:
  LineTool(TForm_Draw& form, Program& program) : FrameTool(form, program) {}
  void MouseDown(gui::MouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;
  std::int32_t LineColorIndex = 0;  // kept for the run

 private:
  void Bars(int x, int y);
};

}  // namespace tools
