// The effect table editor: binds one of the fifteen effects to each of the
// pointer's eleven function keys. A click on an available effect chooses it
// (its panel's rim turns yellow), a click on a slot binds the chosen effect
// there; OK writes the table and makes it live through a re-show of the main
// window.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "core/Program.h"
#include "gui/Form.h"
#include "gui/Graphic.h"
#include "gui/ImageList.h"

inline constexpr gui::Color kHighlightColor = gui::kYellow;  // the chosen effect's rim

class TFormEffectTable : public gui::Form {
 public:
  TFormEffectTable(gui::Application& app, Program& program);

  // Slot n is shown by Image<n+1>; effect code k by Image<12+k> on Panel<k+1>.
  gui::Image& SlotImage(int slot) { return *slotImages_[static_cast<std::size_t>(slot)]; }
  gui::Image& EffectImage(int code) { return *effectImages_[static_cast<std::size_t>(code)]; }
  gui::Panel& EffectPanel(int code) { return *panels_[static_cast<std::size_t>(code)]; }

  gui::Bevel BevelOutline, BevelTitle, BevelButtons;
  gui::Image ImageEfectTitle;
  gui::GroupFrame GroupBox2;  // "In Use Effect": the eleven slots
  gui::GroupFrame GroupBox1;  // "Available Effect": the fifteen effects
  gui::SpeedButton SpeedButtonDefault, SpeedButtonOK, SpeedButtonCancle;
  gui::ImageList ImageList1;

  // The effect a slot click binds: none until one is chosen in this run.
  std::optional<std::int32_t> ChosenEffect;
  // The code whose panel was highlighted last.
  std::int32_t HighlightedPanel = 0;

  void FormCreate();
  // code = image number - 12
  void EffectImageClick(std::int32_t code);
  // slot = image number - 1
  void SlotImageClick(int slot);
  void SpeedButtonDefaultClick();
  void SpeedButtonOKClick();
  void SpeedButtonCancleClick();
  void ImageEfectTitleMouseDown(gui::MouseButton button, unsigned shift, int x, int y);
  void ImageEfectTitleMouseMove(unsigned shift, int x, int y);
  void ImageEfectTitleMouseUp(gui::MouseButton button, unsigned shift, int x, int y);
  // Back to the designed grey; a value that names no effect does nothing.
  void RestorePanelColor(unsigned code);

 private:
  void ShowIcon(gui::Image& image, std::int32_t code);

  Program& program_;
  std::array<std::unique_ptr<gui::Image>, 11> slotImages_;
  std::array<std::unique_ptr<gui::Panel>, 15> panels_;
  std::array<std::unique_ptr<gui::Image>, 15> effectImages_;
  bool TitleDragging = false;
  std::int32_t DragStartX = 0;
  std::int32_t DragStartY = 0;
  gui::Bitmap scratchBitmap_;  // the module's bitmap that icons are rendered through
};
