#include "dialogs/Effecttable.h"

#include "gui/Application.h"
#include "gui/Jpeg.h"
#include "resources/artwork/Artwork.h"
#include "resources/artwork/DialogArt.h"

namespace {

constexpr int kClientWidth = 452, kClientHeight = 437;
constexpr gui::IRect kSlotGroup{14, 48, 14 + 219, 48 + 329};
constexpr gui::IRect kEffectGroup{240, 48, 240 + 193, 48 + 329};
// Slot sites inside the "In Use Effect" group.
constexpr int kSlotSites[11][2] = {{13, 54},   {86, 54},   {156, 55}, {13, 121},
                                   {86, 120},  {156, 120}, {13, 190}, {86, 190},
                                   {156, 189}, {51, 255},  {120, 255}};
// Panel sites inside the "Available Effect" group, in code order row by row.
constexpr int kPanelColumns[3] = {16, 72, 128};
constexpr int kPanelRows[5] = {24, 88, 144, 200, 264};
constexpr int kPanelSize = 52, kPanelRim = 4;
constexpr int kButtonTop = 400, kButtonWidth = 65, kButtonHeight = 25;

constexpr std::int32_t kEffectCount = 15;

gui::Font GroupFont() {
  return {.face = "Times New Roman", .height = 16, .color = gui::kNavy, .bold = true};
}
gui::Font ButtonFont() {
  return {.face = "Times New Roman", .height = 13, .color = gui::kNavy, .bold = true};
}
gui::IRect ButtonAt(int left) {
  return {left, kButtonTop, left + kButtonWidth, kButtonTop + kButtonHeight};
}

}  // namespace

TFormEffectTable::TFormEffectTable(gui::Application& app, Program& program)
    : gui::Form(app, {.className = "TFormEffectTable",
                      .caption = "EffectTable",
                      .left = 316,
                      .top = 138,
                      .clientWidth = kClientWidth,
                      .clientHeight = kClientHeight,
                      .color = gui::kGrayText}),
      BevelOutline(*this, "BevelOutline", {0, 0, kClientWidth, kClientHeight}, gui::BevelShape::Box,
                   gui::BevelStyle::Raised),
      BevelTitle(*this, "BevelTitle", {2, 42, kClientWidth - 2, 44}, gui::BevelShape::TopLine,
                 gui::BevelStyle::Raised),
      BevelButtons(*this, "BevelButtons", {2, 388, kClientWidth - 2, 390}, gui::BevelShape::TopLine,
                   gui::BevelStyle::Raised),
      ImageEfectTitle(*this, "ImageEfectTitle", {2, 2, 2 + 447, 2 + 39}, true),
      GroupBox2(*this, "GroupBox2", kSlotGroup, "In Use Effect", GroupFont(), gui::kGrayText),
      GroupBox1(*this, "GroupBox1", kEffectGroup, "Available Effect", GroupFont(), gui::kGrayText),
      SpeedButtonDefault(*this, "SpeedButtonDefault", ButtonAt(224), "Default", ButtonFont()),
      SpeedButtonOK(*this, "SpeedButtonOK", ButtonAt(296), "OK", ButtonFont()),
      SpeedButtonCancle(*this, "SpeedButtonCancle", ButtonAt(368), "Cancel", ButtonFont()),
      ImageList1(artwork::kImageSize, artwork::kImageSize),
      program_(program) {
  for (int slot = 0; slot < 11; ++slot) {
    const int x = kSlotGroup.left + kSlotSites[slot][0];
    const int y = kSlotGroup.top + kSlotSites[slot][1];
    auto& image = slotImages_[static_cast<std::size_t>(slot)];
    image = std::make_unique<gui::Image>(*this, "Image" + std::to_string(slot + 1),
                                         gui::IRect{x, y, x + 50, y + 50}, true);
    image->OnClick = [this, slot] { SlotImageClick(slot); };
  }
  for (std::int32_t code = 0; code < kEffectCount; ++code) {
    const int x = kEffectGroup.left + kPanelColumns[code % 3];
    const int y = kEffectGroup.top + kPanelRows[code / 3];
    const auto k = static_cast<std::size_t>(code);
    panels_[k] = std::make_unique<gui::Panel>(*this, "Panel" + std::to_string(code + 1),
                                              gui::IRect{x, y, x + kPanelSize, y + kPanelSize},
                                              gui::kGrayText);
    effectImages_[k] = std::make_unique<gui::Image>(
        *this, "Image" + std::to_string(12 + code),
        gui::IRect{x + kPanelRim, y + kPanelRim, x + kPanelSize - kPanelRim,
                   y + kPanelSize - kPanelRim},
        true);
    effectImages_[k]->OnClick = [this, code] { EffectImageClick(code); };
  }
  // The palette's pictures; the editor's list stops before the program icon.
  const auto& pictures = artwork::PaletteImages();
  for (std::size_t k = 0; k < 16 && k < pictures.size(); ++k) ImageList1.Add(pictures[k]);

  // The title is kept as JPEG bytes, like a picture loaded from a file; if
  // they do not decode, the title stays empty and only drags.
  if (auto title = gui::DecodeJpeg(artwork::EffectTableTitleJpeg()))
    ImageEfectTitle.SetPicture(*title);

  ImageEfectTitle.OnMouseDown = [this](gui::MouseButton b, unsigned s, int x, int y) {
    ImageEfectTitleMouseDown(b, s, x, y);
  };
  ImageEfectTitle.OnMouseMove = [this](unsigned s, int x, int y) {
    ImageEfectTitleMouseMove(s, x, y);
  };
  ImageEfectTitle.OnMouseUp = [this](gui::MouseButton b, unsigned s, int x, int y) {
    ImageEfectTitleMouseUp(b, s, x, y);
  };
  SpeedButtonDefault.OnClick = [this] { SpeedButtonDefaultClick(); };
  SpeedButtonOK.OnClick = [this] { SpeedButtonOKClick(); };
  SpeedButtonCancle.OnClick = [this] { SpeedButtonCancleClick(); };
  OnCreate = [this] { FormCreate(); };
}

void TFormEffectTable::ShowIcon(gui::Image& image, std::int32_t code) {
  ShowEffectIcon(ImageList1, scratchBitmap_, image, code);
}

void TFormEffectTable::FormCreate() {
  for (int slot = 0; slot < 11; ++slot)
    ShowIcon(SlotImage(slot), program_.EffectSlots[static_cast<std::size_t>(slot)]);
  for (std::int32_t code = 0; code < kEffectCount; ++code) ShowIcon(EffectImage(code), code);
  // Writes back the table just loaded, so a key missing a slot is whole
  // again. A failing write raises the registry's error, which the framework
  // shows; the window lives on with its images filled.
  program_.store.SaveSlots(program_.EffectSlots);
}

void TFormEffectTable::RestorePanelColor(unsigned code) {
  if (code < static_cast<unsigned>(kEffectCount))
    EffectPanel(static_cast<int>(code)).SetColor(gui::kGrayText);
}

void TFormEffectTable::EffectImageClick(std::int32_t code) {
  RestorePanelColor(static_cast<unsigned>(HighlightedPanel));
  EffectPanel(code).SetColor(kHighlightColor);
  ChosenEffect = code;
  HighlightedPanel = code;
}

void TFormEffectTable::SlotImageClick(int slot) {
  // Before the first choice there is nothing to bind: the slot keeps its
  // effect, so the table never holds a code outside the fifteen.
  if (!ChosenEffect) return;
  ShowIcon(SlotImage(slot), *ChosenEffect);
  program_.EffectSlots[static_cast<std::size_t>(slot)] = *ChosenEffect;
}

void TFormEffectTable::SpeedButtonDefaultClick() {
  for (int slot = 0; slot < 11; ++slot) {
    const std::int32_t code = kDefaultSlots[static_cast<std::size_t>(slot)];
    ShowIcon(SlotImage(slot), code);
    program_.EffectSlots[static_cast<std::size_t>(slot)] = code;
  }
}

void TFormEffectTable::SpeedButtonOKClick() {
  // A failing write raises before the re-show: the framework shows the error
  // and the editor stays open with the table unsaved.
  program_.store.SaveSlots(program_.EffectSlots);
  // The main window's show handler redraws the palette and hands the table
  // to the decoder.
  if (gui::Form* main = App().MainForm()) {
    main->Hide();
    main->Show();
  }
  Close();
}

void TFormEffectTable::SpeedButtonCancleClick() { Close(); }

void TFormEffectTable::ImageEfectTitleMouseDown(gui::MouseButton, unsigned, int x, int y) {
  TitleDragging = true;
  DragStartX = x;
  DragStartY = y;
}

void TFormEffectTable::ImageEfectTitleMouseMove(unsigned, int x, int y) {
  const int dx = x - DragStartX;
  const int dy = y - DragStartY;
  if (!TitleDragging) return;
  DragBy(dx, dy);
}

void TFormEffectTable::ImageEfectTitleMouseUp(gui::MouseButton, unsigned, int, int) {
  TitleDragging = false;
}
