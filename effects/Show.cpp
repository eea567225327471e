#include "effects/Show.h"

namespace {
gui::FormDesign OverlayDesign(platform::Platform& sys) {
  // Maximized: the form covers the primary screen from its corner.
  return {.className = "TForm_Draw",
          .caption = "Form_Draw",
          .left = 0,
          .top = 0,
          .clientWidth = sys.GetSystemMetrics(platform::kSmCxScreen),
          .clientHeight = sys.GetSystemMetrics(platform::kSmCyScreen),
          .stayOnTop = true,
          .keyPreview = true,
          .color = gui::kGray};
}
}  // namespace

TForm_Draw::TForm_Draw(gui::Application& app, Program& program)
    : gui::Form(app, OverlayDesign(app.Sys())), program_(program) {
  (void)program_;
}
