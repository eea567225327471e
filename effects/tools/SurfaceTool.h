// What the tools that compose their frames on the overlay's memory surfaces
// share (Zoom, Spot Light, Laser Beam, Magnifier): knowing when a frame
// must be composed or shown whole, and putting parts of a surface on the
// overlay window.
#pragma once

#include <cstdint>

#include "effects/Show.h"

namespace tools {

// The part of the screen (0, 0, w, h) that a rectangle from a corner and a
// size covers. Wide integers, so values far off the screen stay exact.
gui::IRect ScreenPart(std::int64_t left, std::int64_t top, std::int64_t width, std::int64_t height,
                      int w, int h);
// The smallest rectangle holding both (either may be empty).
gui::IRect Bounding(const gui::IRect& a, const gui::IRect& b);

class SurfaceTool : public OverlayTool {
 public:
  bool PaintWindow() override;

 protected:
  SurfaceTool(TForm_Draw& form, Program& program);
  // A show without a picture has no surfaces to draw on.
  bool Ready() const;
  // True once per show, at its first frame: the surfaces hold what the
  // show prepared, and nothing a previous frame left is there.
  bool NewShow();
  // True when the window was painted since the last frame that asked: the
  // paint put Image_Draw's picture where it reached, so the next frame goes
  // on the window whole.
  bool Repainted();
  // Whether a frame was shown in this show yet.
  bool ShownThisShow() const { return form_.ShowSerial() == show_; }
  // The surface that holds the frame last shown, whole: the first work
  // surface unless the tool says otherwise.
  virtual platform::Hdc FrameSurface() const { return form_.WorkSurface1; }
  // Copies part of a surface onto the overlay window at the same place.
  void Present(platform::Hdc from, const gui::IRect& part);
  // Shows the frame's changes: before and after (the old and the new place
  // of what moved), or the whole frame.
  void PresentChange(platform::Hdc from, const gui::IRect& before, const gui::IRect& after,
                     bool whole);
  void NudgePointer() { form_.NudgePointer(); }

  TForm_Draw& form_;
  Program& program_;

 private:
  std::uint64_t* paints_;     // the window's paints so far
  std::uint64_t seenPaints_;  // as many as the last frame knew of
  std::uint64_t show_ = 0;    // the show last drawn in
};

}  // namespace tools
