#include "dialogs/About.h"

TFormAbout::TFormAbout(gui::Application& app, Program& program)
    : gui::Form(app, {.className = "TFormAbout",
                      .caption = "About-Tavrin",
                      .left = 304,
                      .top = 205,
                      .clientWidth = 280,
                      .clientHeight = 201}),
      program_(program) {
  (void)program_;
}
