// The about box.
#pragma once

#include "core/Program.h"
#include "gui/Form.h"

class TFormAbout : public gui::Form {
 public:
  TFormAbout(gui::Application& app, Program& program);

 private:
  Program& program_;
};
