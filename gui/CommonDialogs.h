// The system's colour chooser and file chooser as the program's components.
// Each runs the system's modal dialog through the backend (headless: the
// test records and answers it, no answer being a cancel), owned by the form
// the component belongs to (Form::BoxOwner).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "gui/Backend.h"
#include "raster/Bitmap.h"

namespace gui {

class Form;

// The colour chooser. Color is what it opens with and, after the user
// confirmed a colour, that colour; a cancel leaves it. The custom colours
// persist across runs of the same component.
class TColorDialog {
 public:
  explicit TColorDialog(Form& owner) : owner_(owner) {}
  Color color = kBlack;
  std::array<Color, 16> customColors{};
  // True when the user confirmed a colour.
  bool Execute();

 private:
  Form& owner_;
};

// The file chooser for a file to open. Filter is "description|pattern|..."
// (e.g. "*.mid|*.mid|*.wav|*.wav"); FileName is the name it opens with and,
// after the user chose a file, that file's full name (at most
// kMaxFileName - 1 characters, as the system's buffer holds).
class TOpenDialog {
 public:
  explicit TOpenDialog(Form& owner) : owner_(owner) {}
  std::string fileName;
  std::string filter;
  bool Execute();

 private:
  Form& owner_;
};

// The system's filter string from "a|b|c|d": each '|' a '\0', ended by two
// zeros; an empty filter gives none.
std::string SystemFilter(std::string_view filter);

}  // namespace gui
