#include "dialogs/Seeting.h"

#include <charconv>
#include <limits>

#include "effects/Show.h"
#include "resources/artwork/DialogArt.h"

std::int32_t StrToInt(std::string_view text) {
  const auto fail = [&]() -> std::int32_t {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  };
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  const std::string_view digits = text.substr(i);
  if (digits.empty()) return fail();
  std::uint64_t magnitude = 0;
  const auto [end, ec] =
      std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
  if (ec != std::errc() || end != digits.data() + digits.size()) return fail();
  // A hexadecimal number may spell the whole 32 bits (as $FFFFFFFF for -1).
  const std::uint64_t limit =
      negative ? 0x80000000ull : (base == 16 ? 0xFFFFFFFFull : 0x7FFFFFFFull);
  if (magnitude > limit) return fail();
  const auto bits = static_cast<std::uint32_t>(negative ? 0u - magnitude : magnitude);
  return static_cast<std::int32_t>(bits);
}

namespace {

constexpr int kPreviewRectRight = 65, kPreviewRectBottom = 25;

}  // namespace

TForm_Seeting::TForm_Seeting(gui::Application& app, Program& program)
    : gui::Form(app, {.className = "TForm_Seeting",
                      .caption = "Tavrin",
                      .left = 372,
                      .top = 248,
                      .clientWidth = 359,
                      .clientHeight = 267,
                      .stayOnTop = true}),
      Panel1(*this, "Panel1", {0, 33, 359, 267}),
      SettingsCaption(*this, "SettingsCaption", {0, 0, 359, 33}, gui::kGrayText),
      // Over the strip; the strip holds it, so it reaches no lower.
      Image1(*this, "Image1", {4, 4, 351, 33}),
      program_(program) {
  Panel1.singleBorder = true;
  Panel1.bevelWidth = 2;
  SettingsCaption.SetCaption("Tavrin Settings");
  SettingsCaption.font = {
      .face = "Tempus Sans ITC", .height = 19, .color = gui::kWhite, .bold = true};
  SettingsCaption.bevelOuter = gui::PanelBevel::Raised;

  OnClose = [this](gui::CloseAction& a) { FormClose(a); };
  Image1.OnMouseDown = [this](gui::MouseButton b, unsigned s, int x, int y) {
    Image1MouseDown(b, s, x, y);
  };
  Image1.OnMouseMove = [this](unsigned s, int x, int y) { Image1MouseMove(s, x, y); };
  Image1.OnMouseUp = [this](gui::MouseButton b, unsigned s, int x, int y) {
    Image1MouseUp(b, s, x, y);
  };
  SettingsCaption.OnMouseUp = [this](gui::MouseButton b, unsigned s, int x, int y) {
    SettingsCaptionMouseUp(b, s, x, y);
  };
}

// ---- settings to controls -------------------------------------------------------

void TForm_Seeting::PaintColorPreview(gui::Image& image, gui::Color colour) {
  // The rectangle (0, 0)-(65, 25) with the default black pen over a solid
  // brush: of its outline only what falls on the image shows.
  gui::Bitmap picture(image.Width(), image.Height(), colour);
  const gui::IRect outline{0, 0, kPreviewRectRight, kPreviewRectBottom};
  gui::raster::FrameRect(picture, outline, gui::kBlack);
  image.SetPicture(picture);
}

// ---- closing --------------------------------------------------------------------

void TForm_Seeting::FormClose(gui::CloseAction&) {
  if (program_.Form_Draw) program_.Form_Draw->SetStayOnTop(false);
  // The main window is the application's main form.
  if (gui::Form* main = App().MainForm()) main->Show();
}

// ---- caption drag ---------------------------------------------------------------

void TForm_Seeting::Image1MouseDown(gui::MouseButton, unsigned, int x, int y) {
  TitleDragging = true;
  DragStartX = x;
  DragStartY = y;
}

void TForm_Seeting::Image1MouseMove(unsigned, int x, int y) {
  const int dx = x - DragStartX;
  const int dy = y - DragStartY;
  if (!TitleDragging) return;
  SetTop(Top() + dy);
  SetLeft(Left() + dx);
}

void TForm_Seeting::Image1MouseUp(gui::MouseButton, unsigned, int, int) { TitleDragging = false; }

void TForm_Seeting::SettingsCaptionMouseUp(gui::MouseButton, unsigned, int, int) {}
