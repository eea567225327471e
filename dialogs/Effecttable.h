// The effect table editor: binds one of the fifteen effects to each of the
// pointer's eleven function keys.
#pragma once

#include <array>
#include <memory>

#include "core/Program.h"
#include "gui/Form.h"
#include "gui/ImageList.h"

class TFormEffectTable : public gui::Form {
 public:
  TFormEffectTable(gui::Application& app, Program& program);

  // Slot n is shown by Image<n+1>; effect code k by Image<12+k> on Panel<k+1>.
  gui::Image& SlotImage(int slot) { return *slotImages_[static_cast<std::size_t>(slot)]; }
  gui::Image& EffectImage(int code) { return *effectImages_[static_cast<std::size_t>(code)]; }
  gui::Panel& EffectPanel(int code) { return *panels_[static_cast<std::size_t>(code)]; }

  gui::Image ImageEfectTitle;
  gui::ImageList ImageList1;

  void FormCreate();

 private:
  void ShowIcon(gui::Image& image, std::int32_t code);

  Program& program_;
  std::array<std::unique_ptr<gui::Image>, 11> slotImages_;
  std::array<std::unique_ptr<gui::Panel>, 15> panels_;
  std::array<std::unique_ptr<gui::Image>, 15> effectImages_;
  gui::Bitmap scratchBitmap_;  // the module's bitmap that icons are rendered through
};
