// The settings dialog.
#pragma once

#include "core/Program.h"
#include "gui/Form.h"

class TForm_Seeting : public gui::Form {
 public:
  TForm_Seeting(gui::Application& app, Program& program);

 private:
  Program& program_;
};
