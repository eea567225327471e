#include "dialogs/Effecttable.h"

#include "resources/artwork/Artwork.h"

namespace {
constexpr int kSlotGroupLeft = 14, kSlotGroupTop = 48;
constexpr int kEffectGroupLeft = 240, kEffectGroupTop = 48;
constexpr int kSlotSites[11][2] = {{13, 54},   {86, 54},   {156, 55}, {13, 121},
                                   {86, 120},  {156, 120}, {13, 190}, {86, 190},
                                   {156, 189}, {51, 255},  {120, 255}};
constexpr int kPanelColumns[3] = {16, 72, 128};
constexpr int kPanelRows[5] = {24, 88, 144, 200, 264};
}  // namespace

TFormEffectTable::TFormEffectTable(gui::Application& app, Program& program)
    : gui::Form(app, {.className = "TFormEffectTable",
                      .caption = "EffectTable",
                      .left = 316,
                      .top = 138,
                      .clientWidth = 452,
                      .clientHeight = 437,
                      .color = gui::kGrayText}),
      ImageEfectTitle(*this, "ImageEfectTitle", {2, 2, 449, 41}, true),
      ImageList1(artwork::kImageSize, artwork::kImageSize),
      program_(program) {
  for (int slot = 0; slot < 11; ++slot) {
    const int x = kSlotGroupLeft + kSlotSites[slot][0];
    const int y = kSlotGroupTop + kSlotSites[slot][1];
    slotImages_[static_cast<std::size_t>(slot)] = std::make_unique<gui::Image>(
        *this, "Image" + std::to_string(slot + 1), gui::IRect{x, y, x + 50, y + 50}, true);
  }
  for (int code = 0; code < 15; ++code) {
    const int x = kEffectGroupLeft + kPanelColumns[code % 3];
    const int y = kEffectGroupTop + kPanelRows[code / 3];
    panels_[static_cast<std::size_t>(code)] =
        std::make_unique<gui::Panel>(*this, "Panel" + std::to_string(code + 1),
                                     gui::IRect{x, y, x + 52, y + 52}, gui::kGrayText);
    effectImages_[static_cast<std::size_t>(code)] = std::make_unique<gui::Image>(
        *this, "Image" + std::to_string(12 + code), gui::IRect{x + 4, y + 4, x + 48, y + 48}, true);
  }
  const auto pictures = artwork::PaletteImages();
  for (std::size_t k = 0; k < 16 && k < pictures.size(); ++k) ImageList1.Add(pictures[k]);
  OnCreate = [this] { FormCreate(); };
}

void TFormEffectTable::ShowIcon(gui::Image& image, std::int32_t code) {
  ShowEffectIcon(ImageList1, scratchBitmap_, image, code);
}

void TFormEffectTable::FormCreate() {
  for (int slot = 0; slot < 11; ++slot)
    ShowIcon(SlotImage(slot), program_.EffectSlots[static_cast<std::size_t>(slot)]);
  for (int code = 0; code < 15; ++code) ShowIcon(EffectImage(code), code);
  // Writes back the table just loaded, so a key missing a slot is whole again.
  program_.store.SaveSlots(program_.EffectSlots);
}
