// The full-screen overlay that the drawing effects and the break countdown
// run on, over a frozen picture of the screen.
#pragma once

#include "core/Program.h"
#include "gui/Form.h"

class TForm_Draw : public gui::Form {
 public:
  TForm_Draw(gui::Application& app, Program& program);

 private:
  Program& program_;
};
