#include "dialogs/Seeting.h"

TForm_Seeting::TForm_Seeting(gui::Application& app, Program& program)
    : gui::Form(app, {.className = "TForm_Seeting",
                      .caption = "Tavrin",
                      .left = 372,
                      .top = 248,
                      .clientWidth = 359,
                      .clientHeight = 267,
                      .stayOnTop = true}),
      program_(program) {
  (void)program_;
}
