#include "dialogs/Seeting.h"

#include <charconv>
#include <limits>

#include "effects/Show.h"
#include "platform/Utf8.h"
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

// The field's cap; its up-down's range is 1 to it.
constexpr std::int32_t kMaxBreakMinutes = 99;

// Places in the inner area of the page control's body, which begins at
// (12, 66) on the form: the control at (8, 41), its edge of 4 and its row
// of tabs of 21.
constexpr int kPageLeft = 12, kPageTop = 66;
constexpr gui::IRect OnPage(int x, int y, int width, int height) {
  return {kPageLeft + x, kPageTop + y, kPageLeft + x + width, kPageTop + y + height};
}

// A file's name in lines of at most 64 characters, broken after a folder's
// backslash where one falls in the line: a box does not wrap a name that
// has no blanks, and would cut it at the screen's edge.
std::string InLines(std::string_view name) {
  constexpr std::size_t kLine = 64;
  std::string out;
  while (platform::Utf8Length(name) > kLine) {
    const std::string_view line = platform::Utf8Prefix(name, kLine);
    const std::size_t slash = line.rfind('\\');
    const std::size_t take = slash != std::string_view::npos && slash > 0 ? slash + 1 : line.size();
    out.append(name.substr(0, take)).push_back('\n');
    name.remove_prefix(take);
  }
  return out.append(name);
}

// Dropped down, a list shows all its items below its field.
constexpr int kListHeight = 150;
constexpr int kButtonHeight = 25, kEditHeight = 21, kRadioHeight = 17;
constexpr int kPreviewWidth = 57, kWidePreviewWidth = 65, kPreviewHeight = 17;
// Columns of a group box 321 wide at 8 on the page: the centre of each.
constexpr int kThreeColumns[3] = {61, 168, 275};
constexpr int kFourColumns[4] = {48, 128, 208, 288};

// The Keys page: the eleven shortcuts where the palette has its icons, three
// to a row and the last two centred below, each cell a caption over the
// control. The system's text in the control names every modifier
// ("Control + Shift + Alt + F11" under Wine), which the page's face at its
// size would not fit in a third of the page: the controls write in the
// outline face at 8 pixels.
constexpr int kKeyCellWidth = 110, kKeyCellPitchX = 112, kKeyCellPitchY = 38;
constexpr int kKeyCaptionHeight = 15, kHotKeyHeight = 20, kHotKeyFontHeight = 8;
gui::IRect KeyCell(std::size_t slot) {
  const int s = static_cast<int>(slot);
  const int row = s / 3;
  const int x = row < 3 ? (s % 3) * kKeyCellPitchX : kKeyCellPitchX / 2 + (s - 9) * kKeyCellPitchX;
  return OnPage(x, 3 + row * kKeyCellPitchY, kKeyCellWidth, kKeyCaptionHeight + kHotKeyHeight);
}

// The radio button for a stored value, if the value names one.
template <std::size_t N>
gui::TRadioButton* ButtonFor(const std::array<gui::TRadioButton*, N>& buttons, std::int32_t value) {
  if (value < 0 || static_cast<std::size_t>(value) >= N) return nullptr;
  return buttons[static_cast<std::size_t>(value)];
}

// A list index computed from a stored value, without overflow; an index
// outside the list selects nothing.
int ListIndex(std::int64_t index, int count) {
  return index >= 0 && index < count ? static_cast<int>(index) : -1;
}

}  // namespace

TForm_Seeting::TForm_Seeting(gui::Application& app, Program& program)
    : gui::DialogForm(app, {.className = "TForm_Seeting",
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
      PageControl1(*this, "PageControl1", {8, 41, 8 + 345, 41 + 184}),
      TabSheet_Mark(PageControl1, "TabSheet_Mark", "Mark"),
      TabSheet_Reveal(PageControl1, "TabSheet_Reveal", "Reveal"),
      TabSheet_Line(PageControl1, "TabSheet_Line", "Line"),
      TabSheet_Zoom(PageControl1, "TabSheet_Zoom", "Zoom"),
      TabSheet_SpotLight(PageControl1, "TabSheet_SpotLight", "Spot Light"),
      TabSheet_LaserBeam(PageControl1, "TabSheet_LaserBeam", "Laser Beam"),
      TabSheet_Rectangle(PageControl1, "TabSheet_Rectangle", "Rectangle"),
      TabSheet_Execute(PageControl1, "TabSheet_Execute", "Execute Program"),
      TabSheet_BreakTime(PageControl1, "TabSheet_BreakTime", "Break Time"),
      TabSheet_Sound(PageControl1, "TabSheet_Sound", "Sound File"),
      TabSheet_Pen(PageControl1, "TabSheet_Pen", "Pen"),
      TabSheet_Keys(PageControl1, "TabSheet_Keys", "Keys"),
      GroupBox_MarkStyle(*this, "GroupBox_MarkStyle", OnPage(8, 6, 321, 140), "Style"),
      MarkButton1(*this, "MarkButton1", OnPage(kThreeColumns[0] - 13, 34, 30, kRadioHeight), "1",
                  &GroupBox_MarkStyle),
      MarkButton2(*this, "MarkButton2", OnPage(kThreeColumns[1] - 13, 34, 30, kRadioHeight), "2",
                  &GroupBox_MarkStyle),
      MarkButton3(*this, "MarkButton3", OnPage(kThreeColumns[2] - 13, 34, 30, kRadioHeight), "3",
                  &GroupBox_MarkStyle),
      GroupBox_Reveal(*this, "GroupBox_Reveal", OnPage(8, 4, 321, 100), "Style"),
      RadioButton_RevealStyle1(*this, "RadioButton_RevealStyle1",
                               OnPage(kFourColumns[0] - 13, 20, 30, kRadioHeight), "1",
                               &GroupBox_Reveal),
      RadioButton_RevealStyle2(*this, "RadioButton_RevealStyle2",
                               OnPage(kFourColumns[1] - 13, 20, 30, kRadioHeight), "2",
                               &GroupBox_Reveal),
      RadioButton_RevealStyle3(*this, "RadioButton_RevealStyle3",
                               OnPage(kFourColumns[2] - 13, 20, 30, kRadioHeight), "3",
                               &GroupBox_Reveal),
      RadioButton_RevealStyle4(*this, "RadioButton_RevealStyle4",
                               OnPage(kFourColumns[3] - 13, 20, 30, kRadioHeight), "4",
                               &GroupBox_Reveal),
      Image_RevealColor(*this, "Image_RevealColor", OnPage(16, 118, kPreviewWidth, kPreviewHeight)),
      BitBtn_RevealColor(*this, "BitBtn_RevealColor", OnPage(88, 114, 75, kButtonHeight), "Color"),
      GroupBox_LineStyle(*this, "GroupBox_LineStyle", OnPage(8, 4, 321, 100), "Style"),
      RadioButton_LineStyle1(*this, "RadioButton_LineStyle1",
                             OnPage(kThreeColumns[0] - 13, 20, 30, kRadioHeight), "1",
                             &GroupBox_LineStyle),
      RadioButton_LineStyle2(*this, "RadioButton_LineStyle2",
                             OnPage(kThreeColumns[1] - 13, 20, 30, kRadioHeight), "2",
                             &GroupBox_LineStyle),
      RadioButton_LineStyle3(*this, "RadioButton_LineStyle3",
                             OnPage(kThreeColumns[2] - 13, 20, 30, kRadioHeight), "3",
                             &GroupBox_LineStyle),
      Image_LineColor(*this, "Image_LineColor", OnPage(16, 118, kPreviewWidth, kPreviewHeight)),
      BitBtn_LineColor(*this, "BitBtn_LineColor", OnPage(88, 114, 75, kButtonHeight), "Color"),
      ComboBox_ZoomMultiple(*this, "ComboBox_ZoomMultiple", OnPage(72, 16, 81, kListHeight)),
      GroupBox_SpotLightStyle(*this, "GroupBox_SpotLightStyle", OnPage(8, 4, 321, 100), "Style"),
      RadioButton_SpotLightStyle1(*this, "RadioButton_SpotLightStyle1",
                                  OnPage(kThreeColumns[0] - 13, 20, 30, kRadioHeight), "1",
                                  &GroupBox_SpotLightStyle),
      RadioButton_SpotLightStyle2(*this, "RadioButton_SpotLightStyle2",
                                  OnPage(kThreeColumns[1] - 13, 20, 30, kRadioHeight), "2",
                                  &GroupBox_SpotLightStyle),
      RadioButton_SpotLightStyle3(*this, "RadioButton_SpotLightStyle3",
                                  OnPage(kThreeColumns[2] - 13, 20, 30, kRadioHeight), "3",
                                  &GroupBox_SpotLightStyle),
      ComboBox_LaserBeamMultiple(*this, "ComboBox_LaserBeamMultiple",
                                 OnPage(72, 16, 81, kListHeight)),
      Image_LaserBeamColor(*this, "Image_LaserBeamColor",
                           OnPage(16, 64, kPreviewWidth, kPreviewHeight)),
      BitBtn_LaserBeamColor(*this, "BitBtn_LaserBeamColor", OnPage(88, 60, 75, kButtonHeight),
                            "Color"),
      ImageRectangleColor(*this, "ImageRectangleColor",
                          OnPage(16, 20, kPreviewWidth, kPreviewHeight)),
      BitBtn_RectangleColor(*this, "BitBtn_RectangleColor", OnPage(88, 16, 75, kButtonHeight),
                            "Color"),
      EditExecute(*this, "EditExecute", OnPage(16, 36, 241, kEditHeight)),
      BitBtn_ExecuteBrowser(*this, "BitBtn_ExecuteBrowser", OnPage(264, 34, 65, kButtonHeight),
                            "Browser"),
      EditBreakTime(*this, "EditBreakTime", OnPage(16, 8, 57, 41)),
      BreakTimeUpDown(*this, "BreakTimeUpDown", OnPage(73, 8, 17, 41)),
      ImageBreakBackColor(*this, "ImageBreakBackColor",
                          OnPage(152, 12, kWidePreviewWidth, kPreviewHeight)),
      BitBtn4(*this, "BitBtn4", OnPage(224, 8, 105, kButtonHeight), "Background Color"),
      ImageBreakFontColor(*this, "ImageBreakFontColor",
                          OnPage(152, 42, kWidePreviewWidth, kPreviewHeight)),
      BitBtn5(*this, "BitBtn5", OnPage(224, 38, 105, kButtonHeight), "Font Color"),
      EditBreakSound(*this, "EditBreakSound", OnPage(16, 90, 281, kEditHeight)),
      // A picture alone, the browse glyph (given below).
      BitBtn6(*this, "BitBtn6", OnPage(304, 88, 25, kButtonHeight)),
      EditSound(*this, "EditSound", OnPage(16, 36, 241, kEditHeight)),
      BitBtn1(*this, "BitBtn1", OnPage(264, 34, 65, kButtonHeight), "Browser"),
      ComboBoxPenSize(*this, "ComboBoxPenSize", OnPage(16, 16, 81, kListHeight)),
      ImagePenColor(*this, "ImagePenColor", OnPage(16, 64, kPreviewWidth, kPreviewHeight)),
      BitBtn7(*this, "BitBtn7", OnPage(88, 60, 75, kButtonHeight), "Color"),
      // Made before the buttons below the pages, so that Tab reaches them first.
      HotKeys([this] {
        std::array<std::unique_ptr<gui::THotKey>, 11> made;
        for (std::size_t slot = 0; slot < made.size(); ++slot) {
          const gui::IRect cell = KeyCell(slot);
          made[slot] = std::make_unique<gui::THotKey>(
              *this, std::string("HotKey") + static_cast<char>('B' + slot),
              gui::IRect{cell.left, cell.top + kKeyCaptionHeight, cell.right, cell.bottom});
        }
        return made;
      }()),
      OK(*this, "OK", {168, 232, 168 + 57, 232 + kButtonHeight}, "OK"),
      Button1(*this, "Button1", {232, 232, 232 + 57, 232 + kButtonHeight}, "Exit"),
      Cancle(*this, "Cancle", {296, 232, 296 + 57, 232 + kButtonHeight}, "Cancle"),
      ColorDialog1(*this),
      OpenDialog1(*this),
      program_(program),
      settings_(program.Settings),
      markButtons_{&MarkButton1, &MarkButton2, &MarkButton3},
      revealButtons_{&RadioButton_RevealStyle1, &RadioButton_RevealStyle2,
                     &RadioButton_RevealStyle3, &RadioButton_RevealStyle4},
      lineButtons_{&RadioButton_LineStyle1, &RadioButton_LineStyle2, &RadioButton_LineStyle3},
      spotLightButtons_{&RadioButton_SpotLightStyle1, &RadioButton_SpotLightStyle2,
                        &RadioButton_SpotLightStyle3} {
  Panel1.singleBorder = true;
  Panel1.bevelWidth = 2;
  SettingsCaption.SetCaption("Tavrin Settings");
  SettingsCaption.font = {
      .face = "Tempus Sans ITC", .height = 19, .color = gui::kWhite, .bold = true};
  SettingsCaption.bevelOuter = gui::PanelBevel::Raised;

  // Mark
  TabSheet_Mark.Add(GroupBox_MarkStyle);
  for (gui::TRadioButton* b : markButtons_) TabSheet_Mark.Add(*b);
  AddStylePictures(TabSheet_Mark, {markButtons_.begin(), markButtons_.end()},
                   artwork::MarkStylePicture, artwork::kMarkStylePictureSize);
  // Reveal
  TabSheet_Reveal.Add(GroupBox_Reveal);
  for (gui::TRadioButton* b : revealButtons_) TabSheet_Reveal.Add(*b);
  AddStylePictures(TabSheet_Reveal, {revealButtons_.begin(), revealButtons_.end()},
                   artwork::RevealStylePicture, artwork::kStylePictureSize);
  AddPreviewFrame(TabSheet_Reveal, Image_RevealColor);
  TabSheet_Reveal.Add(BitBtn_RevealColor);
  // Line
  TabSheet_Line.Add(GroupBox_LineStyle);
  for (gui::TRadioButton* b : lineButtons_) TabSheet_Line.Add(*b);
  AddStylePictures(TabSheet_Line, {lineButtons_.begin(), lineButtons_.end()},
                   artwork::LineStylePicture, artwork::kStylePictureSize);
  AddPreviewFrame(TabSheet_Line, Image_LineColor);
  TabSheet_Line.Add(BitBtn_LineColor);
  // Zoom
  Decorate<gui::Label>(TabSheet_Zoom, *this, "Label_ZoomMultiple", kPageLeft + 16, kPageTop + 20,
                       "Multiple");
  ComboBox_ZoomMultiple.SetItems({"2x", "4x", "6x", "8x", "10x", "12x"});
  TabSheet_Zoom.Add(ComboBox_ZoomMultiple);
  // Spot Light
  TabSheet_SpotLight.Add(GroupBox_SpotLightStyle);
  for (gui::TRadioButton* b : spotLightButtons_) TabSheet_SpotLight.Add(*b);
  AddStylePictures(TabSheet_SpotLight, {spotLightButtons_.begin(), spotLightButtons_.end()},
                   artwork::SpotLightStylePicture, artwork::kStylePictureSize);
  // Laser Beam
  Decorate<gui::Label>(TabSheet_LaserBeam, *this, "Label_LaserBeamMultiple", kPageLeft + 16,
                       kPageTop + 20, "Multiple");
  ComboBox_LaserBeamMultiple.SetItems({"1x", "2x", "3x", ""});
  TabSheet_LaserBeam.Add(ComboBox_LaserBeamMultiple);
  AddPreviewFrame(TabSheet_LaserBeam, Image_LaserBeamColor);
  TabSheet_LaserBeam.Add(BitBtn_LaserBeamColor);
  // Rectangle
  AddPreviewFrame(TabSheet_Rectangle, ImageRectangleColor);
  TabSheet_Rectangle.Add(BitBtn_RectangleColor);
  // Execute Program
  Decorate<gui::Label>(TabSheet_Execute, *this, "Label_ProgramLocation", kPageLeft + 16,
                       kPageTop + 16, "Program Location");
  TabSheet_Execute.Add(EditExecute);
  TabSheet_Execute.Add(BitBtn_ExecuteBrowser);
  // Break Time
  EditBreakTime.SetFont({.face = "Times New Roman", .height = 29});
  BreakTimeUpDown.SetRange(1, kMaxBreakMinutes);
  BreakTimeUpDown.SetWrap(false);
  BreakTimeUpDown.SetPosition(1);
  TabSheet_BreakTime.Add(EditBreakTime);
  TabSheet_BreakTime.Add(BreakTimeUpDown);
  Decorate<gui::Label>(TabSheet_BreakTime, *this, "Label_Minutes", kPageLeft + 98, kPageTop + 22,
                       "Minutes");
  AddPreviewFrame(TabSheet_BreakTime, ImageBreakBackColor);
  TabSheet_BreakTime.Add(BitBtn4);
  AddPreviewFrame(TabSheet_BreakTime, ImageBreakFontColor);
  TabSheet_BreakTime.Add(BitBtn5);
  Decorate<gui::Label>(TabSheet_BreakTime, *this, "Label_SoundFile", kPageLeft + 16, kPageTop + 72,
                       "Sound File");
  TabSheet_BreakTime.Add(EditBreakSound);
  BitBtn6.SetGlyph(artwork::BrowseGlyph());
  TabSheet_BreakTime.Add(BitBtn6);
  // Sound File
  Decorate<gui::Label>(TabSheet_Sound, *this, "Label_FileLocation", kPageLeft + 16, kPageTop + 16,
                       "File Location");
  TabSheet_Sound.Add(EditSound);
  TabSheet_Sound.Add(BitBtn1);
  // Pen
  ComboBoxPenSize.SetItems({"1x", "2x", "3x", "4x", "5x"});
  TabSheet_Pen.Add(ComboBoxPenSize);
  AddPreviewFrame(TabSheet_Pen, ImagePenColor);
  TabSheet_Pen.Add(BitBtn7);

  AddKeysPage();

  // The name fields hold what the record can take.
  for (gui::TEdit* e : {&EditExecute, &EditBreakSound, &EditSound})
    e->SetMaxLength(static_cast<int>(kTextCapacity));

  OnShow = [this] { FormShow(); };
  OnClose = [this](gui::CloseAction& a) { FormClose(a); };
  OK.OnClick = [this] { OKClick(); };
  Cancle.OnClick = [this] { CancleClick(); };
  Button1.OnClick = [this] { Button1Click(); };
  MarkButton1.OnClick = [this] { MarkButton1Click(); };
  MarkButton2.OnClick = [this] { MarkButton2Click(); };
  MarkButton3.OnClick = [this] { MarkButton3Click(); };
  RadioButton_RevealStyle1.OnClick = [this] { RadioButton_RevealStyle1Click(); };
  RadioButton_RevealStyle2.OnClick = [this] { RadioButton_RevealStyle2Click(); };
  RadioButton_RevealStyle3.OnClick = [this] { RadioButton_RevealStyle3Click(); };
  RadioButton_RevealStyle4.OnClick = [this] { RadioButton_RevealStyle4Click(); };
  RadioButton_LineStyle1.OnClick = [this] { RadioButton_LineStyle1Click(); };
  RadioButton_LineStyle2.OnClick = [this] { RadioButton_LineStyle2Click(); };
  RadioButton_LineStyle3.OnClick = [this] { RadioButton_LineStyle3Click(); };
  RadioButton_SpotLightStyle1.OnClick = [this] { RadioButton_SpotLightStyle1Click(); };
  RadioButton_SpotLightStyle2.OnClick = [this] { RadioButton_SpotLightStyle2Click(); };
  RadioButton_SpotLightStyle3.OnClick = [this] { RadioButton_SpotLightStyle3Click(); };
  ComboBox_ZoomMultiple.OnChange = [this] { ComboBox_ZoomMultipleChange(); };
  ComboBox_LaserBeamMultiple.OnChange = [this] { ComboBox_LaserBeamMultipleChange(); };
  ComboBoxPenSize.OnChange = [this] { ComboBoxPenSizeChange(); };
  BitBtn_RevealColor.OnClick = [this] { BitBtn_RevealColorClick(); };
  BitBtn_LineColor.OnClick = [this] { BitBtn_LineColorClick(); };
  BitBtn_LaserBeamColor.OnClick = [this] { BitBtn_LaserBeamColorClick(); };
  BitBtn_RectangleColor.OnClick = [this] { BitBtn_RectangleColorClick(); };
  BitBtn4.OnClick = [this] { BitBtn4Click(); };
  BitBtn5.OnClick = [this] { BitBtn5Click(); };
  BitBtn7.OnClick = [this] { BitBtn7Click(); };
  BitBtn_ExecuteBrowser.OnClick = [this] { BitBtn_ExecuteBrowserClick(); };
  BitBtn1.OnClick = [this] { BitBtn1Click(); };
  BitBtn6.OnClick = [this] { BitBtn6Click(); };
  BreakTimeUpDown.OnClick = [this](gui::UpDownButton) { BreakTimeUpDownClick(); };
  EditBreakTime.OnChange = [this] { EditBreakTimeChange(); };
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
  OnHide = [this] { FollowHotkeyFocus(); };
  PageControl1.OnChange = [this] { FollowHotkeyFocus(); };
}

void TForm_Seeting::AddKeysPage() {
  for (std::size_t slot = 0; slot < HotKeys.size(); ++slot) {
    const gui::IRect cell = KeyCell(slot);
    HotKeyCaptions[slot] = &Decorate<gui::Label>(
        TabSheet_Keys, *this, HotKeys[slot]->Name() + "Caption", cell.left, cell.top + 1, "");
    HotKeys[slot]->SetFont({.face = "Microsoft Sans Serif", .height = kHotKeyFontHeight});
    TabSheet_Keys.Add(*HotKeys[slot]);
    HotKeys[slot]->OnChange = [this, slot] { HotKeyChange(slot); };
  }
}

template <class T, class... Args>
T& TForm_Seeting::Decorate(gui::TTabSheet& page, Args&&... args) {
  auto control = std::make_unique<T>(std::forward<Args>(args)...);
  T& result = *control;
  page.Add(result);
  decoration_.push_back(std::move(control));
  return result;
}

// Each style's picture below its radio button, centred on the same column.
void TForm_Seeting::AddStylePictures(gui::TTabSheet& page,
                                     const std::vector<gui::TRadioButton*>& buttons,
                                     gui::Bitmap (*picture)(int), int size) {
  for (std::size_t k = 0; k < buttons.size(); ++k) {
    const gui::TRadioButton& b = *buttons[k];
    const int centre = b.Left() + 13;
    const int top = b.Top() + kRadioHeight + (size < artwork::kStylePictureSize ? 9 : 5);
    auto& image = Decorate<gui::Image>(
        page, *this, b.Name() + "Picture",
        gui::IRect{centre - size / 2, top, centre - size / 2 + size, top + size});
    image.SetPicture(picture(static_cast<int>(k)));
  }
}

// The previews stand in a raised frame one pixel round them.
void TForm_Seeting::AddPreviewFrame(gui::TTabSheet& page, gui::Image& preview) {
  const gui::IRect& r = preview.BoundsRect();
  Decorate<gui::Bevel>(page, *this, preview.Name() + "Frame",
                       gui::IRect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1},
                       gui::BevelShape::Box, gui::BevelStyle::Raised);
  page.Add(preview);
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

void TForm_Seeting::FormShow() {
  TSettings& s = settings_;
  if (auto* b = ButtonFor(markButtons_, s.MarkChoice)) b->SetChecked(true);
  PaintColorPreview(Image_RevealColor, s.RevealColor);
  if (auto* b = ButtonFor(revealButtons_, s.RevealStyle)) b->SetChecked(true);
  PaintColorPreview(Image_LineColor, s.LineColor);
  if (auto* b = ButtonFor(lineButtons_, s.LineStyle)) b->SetChecked(true);
  ComboBox_ZoomMultiple.SetItemIndex(ListIndex(std::int64_t{s.ZoomFactor} / 2 - 1, 6));
  if (auto* b = ButtonFor(spotLightButtons_, s.SpotLightStyle)) b->SetChecked(true);
  ComboBox_LaserBeamMultiple.SetItemIndex(ListIndex(std::int64_t{s.LaserBeamSize} - 1, 4));
  PaintColorPreview(Image_LaserBeamColor, s.LaserBeamColor);
  PaintColorPreview(ImageRectangleColor, s.RectangleColor);
  EditBreakSound.SetText(s.BreakSound);
  EditExecute.SetText(s.ExecuteName);
  EditSound.SetText(s.SoundName);
  PaintColorPreview(ImageBreakBackColor, s.BreakBackColor);
  PaintColorPreview(ImageBreakFontColor, s.BreakFontColor);
  // Setting the text runs the field's change handler, which caps it at 99.
  EditBreakTime.SetText(std::to_string(s.BreakMinutes));
  BreakTimeUpDown.SetPosition(static_cast<std::int16_t>(s.BreakMinutes));
  PaintColorPreview(ImagePenColor, s.PenColor);
  ComboBoxPenSize.SetItemIndex(ListIndex(std::int64_t{s.PenSize} - 1, 5));
  for (std::size_t slot = 0; slot < HotKeys.size(); ++slot) {
    HotKeys[slot]->SetHotkey(static_cast<std::uint16_t>(s.Hotkeys[slot]));
    const long error = program_.hotkeys.Error(slot);
    systemErrors_[slot] = error == HotkeyRegistrations::kDuplicate ? 0 : error;
    ShowHotkeyState(slot, error);
  }
  FollowHotkeyFocus();
}

// ---- keys -----------------------------------------------------------------------

void TForm_Seeting::ShowHotkeyState(std::size_t slot, long error) {
  gui::Label& caption = *HotKeyCaptions[slot];
  std::string text =
      std::string(1, static_cast<char>('B' + slot)) + "  " + EffectName(program_.EffectSlots[slot]);
  std::string reason, alone;
  if (error == HotkeyRegistrations::kDuplicate) {
    std::size_t first = 0;
    while (first < slot && HotKeys[first]->Hotkey() != HotKeys[slot]->Hotkey()) ++first;
    reason = std::string(": as ") + static_cast<char>('B' + first);
    alone = std::string("same as ") + static_cast<char>('B' + first);
  } else if (error == platform::error::kHotkeyAlreadyRegistered) {
    reason = ": taken";
    alone = "taken by another program";
  } else if (error != 0) {
    reason = ": not available";
    alone = "not available";
  }
  caption.SetFontColor(reason.empty() ? gui::kBlack : gui::kRed);
  caption.SetCaption(text + reason);
  // A long effect name gives way to the reason, which must show whole.
  const gui::IRect cell = KeyCell(slot);
  if (!reason.empty() && caption.TextRect().right > cell.right) {
    caption.SetCaption(text.substr(0, 3) + alone);
    if (caption.TextRect().right > cell.right)
      caption.SetCaption(text.substr(0, 3) + reason.substr(2));
  }
}

// What the user types is checked against the page itself at once; whether
// the system gives the program a shortcut shows after OK, so a changed one
// loses what its registration said.
void TForm_Seeting::HotKeyChange(std::size_t slot) {
  systemErrors_[slot] = 0;
  for (std::size_t s = 0; s < HotKeys.size(); ++s) {
    const std::uint16_t word = HotKeys[s]->Hotkey();
    bool duplicate = false;
    for (std::size_t before = 0; before < s && UsableHotkey(word); ++before)
      duplicate |= HotKeys[before]->Hotkey() == word;
    ShowHotkeyState(s, duplicate ? HotkeyRegistrations::kDuplicate : systemErrors_[s]);
  }
}

void TForm_Seeting::FollowHotkeyFocus() {
  if (Visible() && active_ && PageControl1.ActivePage() == &TabSheet_Keys)
    program_.hotkeys.Suspend();
  else
    program_.hotkeys.Resume();
}

platform::LResult TForm_Seeting::WndProc(std::uint32_t message, platform::WParam wParam,
                                         platform::LParam lParam) {
  if (message == platform::msg::kActivate) {
    active_ = (wParam & 0xFFFF) != platform::kWaInactive;
    FollowHotkeyFocus();
  }
  return gui::DialogForm::WndProc(message, wParam, lParam);
}

// ---- controls to settings -------------------------------------------------------

void TForm_Seeting::MarkButton1Click() { settings_.MarkChoice = 0; }
void TForm_Seeting::MarkButton2Click() { settings_.MarkChoice = 1; }
void TForm_Seeting::MarkButton3Click() { settings_.MarkChoice = 2; }
void TForm_Seeting::RadioButton_RevealStyle1Click() { settings_.RevealStyle = 0; }
void TForm_Seeting::RadioButton_RevealStyle2Click() { settings_.RevealStyle = 1; }
void TForm_Seeting::RadioButton_RevealStyle3Click() { settings_.RevealStyle = 2; }
void TForm_Seeting::RadioButton_RevealStyle4Click() { settings_.RevealStyle = 3; }
void TForm_Seeting::RadioButton_LineStyle1Click() { settings_.LineStyle = 0; }
void TForm_Seeting::RadioButton_LineStyle2Click() { settings_.LineStyle = 1; }
void TForm_Seeting::RadioButton_LineStyle3Click() { settings_.LineStyle = 2; }
void TForm_Seeting::RadioButton_SpotLightStyle1Click() { settings_.SpotLightStyle = 0; }
void TForm_Seeting::RadioButton_SpotLightStyle2Click() { settings_.SpotLightStyle = 1; }
void TForm_Seeting::RadioButton_SpotLightStyle3Click() { settings_.SpotLightStyle = 2; }

// Text typed into a list's own field leaves no item chosen: the value stays
// the last one chosen, so no size or factor of 0 reaches the tools.
void TForm_Seeting::ComboBox_ZoomMultipleChange() {
  const int i = ComboBox_ZoomMultiple.ItemIndex();
  if (i >= 0 && i < 6) settings_.ZoomFactor = 2 * i + 2;
}

void TForm_Seeting::ComboBox_LaserBeamMultipleChange() {
  const int i = ComboBox_LaserBeamMultiple.ItemIndex();
  if (i >= 0 && i < 4) settings_.LaserBeamSize = i + 1;
}

void TForm_Seeting::ComboBoxPenSizeChange() {
  const int i = ComboBoxPenSize.ItemIndex();
  if (i >= 0 && i < 5) settings_.PenSize = i + 1;
}

// The chooser opens with the last colour confirmed in it, never with the
// setting's; only a confirmed colour is stored.
void TForm_Seeting::ChooseColor(gui::Color& setting, gui::Image& preview) {
  if (!ColorDialog1.Execute()) return;
  setting = ColorDialog1.color;
  PaintColorPreview(preview, setting);
}

void TForm_Seeting::BitBtn_RevealColorClick() {
  ChooseColor(settings_.RevealColor, Image_RevealColor);
}
void TForm_Seeting::BitBtn_LineColorClick() { ChooseColor(settings_.LineColor, Image_LineColor); }
void TForm_Seeting::BitBtn_LaserBeamColorClick() {
  ChooseColor(settings_.LaserBeamColor, Image_LaserBeamColor);
}
void TForm_Seeting::BitBtn_RectangleColorClick() {
  ChooseColor(settings_.RectangleColor, ImageRectangleColor);
}
void TForm_Seeting::BitBtn4Click() { ChooseColor(settings_.BreakBackColor, ImageBreakBackColor); }
void TForm_Seeting::BitBtn5Click() { ChooseColor(settings_.BreakFontColor, ImageBreakFontColor); }
void TForm_Seeting::BitBtn7Click() { ChooseColor(settings_.PenColor, ImagePenColor); }

// A chosen name the record cannot hold whole would be stored cut, naming a
// file that does not exist: the user hears so, and the field and the
// setting keep the name they had.
bool TForm_Seeting::ChosenNameFits() {
  const std::string& name = OpenDialog1.fileName;
  const std::size_t length = platform::Utf8Length(name);
  if (length <= kTextCapacity) return true;
  App().MessageBox("The name of the chosen file is " + std::to_string(length) +
                       " characters long; Tavrin keeps names of at most " +
                       std::to_string(kTextCapacity) + " characters:\n\n" + InLines(name) +
                       "\n\nChoose a file with a shorter name or in a folder with a shorter path.",
                   App().Title(), gui::kMbOk | gui::kMbIconExclamation, BoxOwner());
  return false;
}

void TForm_Seeting::BitBtn_ExecuteBrowserClick() {
  settings_.BreakSound = BoundedName(EditBreakSound.Text());
  settings_.SoundName = BoundedName(EditSound.Text());
  OpenDialog1.fileName = "  ";
  OpenDialog1.filter = "*.exe|*.exe";
  if (!OpenDialog1.Execute() || !ChosenNameFits()) return;
  EditExecute.SetText(OpenDialog1.fileName);
  settings_.ExecuteName = BoundedName(EditExecute.Text());
}

// The sound browsers leave the chooser's name as its last use left it.
void TForm_Seeting::BitBtn1Click() {
  settings_.BreakSound = BoundedName(EditBreakSound.Text());
  OpenDialog1.filter = "*.mid|*.mid|*.wav|*.wav";
  if (!OpenDialog1.Execute() || !ChosenNameFits()) return;
  settings_.SoundName = OpenDialog1.fileName;
  EditSound.SetText(settings_.SoundName);
}

void TForm_Seeting::BitBtn6Click() {
  OpenDialog1.filter = "*.mid|*.mid|*.wav|*.wav";
  settings_.BreakSound = BoundedName(EditBreakSound.Text());
  if (!OpenDialog1.Execute() || !ChosenNameFits()) return;
  settings_.BreakSound = OpenDialog1.fileName;
  EditBreakSound.SetText(settings_.BreakSound);
}

// ---- break minutes --------------------------------------------------------------

// The arrows count from the up-down's own position, not from the field.
void TForm_Seeting::BreakTimeUpDownClick() {
  settings_.BreakMinutes = BreakTimeUpDown.Position();
  EditBreakTime.SetText(std::to_string(BreakTimeUpDown.Position()));
  settings_.BreakSound = BoundedName(EditBreakSound.Text());
}

// A text that is no number raises the conversion's error box and stays as
// typed; the minutes themselves change only at OK.
void TForm_Seeting::EditBreakTimeChange() {
  if (StrToInt(EditBreakTime.Text()) > kMaxBreakMinutes) EditBreakTime.SetText("99");
}

// ---- closing --------------------------------------------------------------------

void TForm_Seeting::OKClick() {
  // A field that holds no number stops OK here: nothing copied, nothing
  // written, the dialog stays open.
  settings_.BreakMinutes = StrToInt(EditBreakTime.Text());
  if (settings_.BreakMinutes > kMaxBreakMinutes) {
    settings_.BreakMinutes = kMaxBreakMinutes;
    EditBreakTime.SetText("99");
  } else if (settings_.BreakMinutes < 0) {
    // A negative length would never end the countdown.
    settings_.BreakMinutes = 0;
    EditBreakTime.SetText("0");
  }
  settings_.BreakSound = BoundedName(EditBreakSound.Text());
  BreakTimeUpDown.SetPosition(static_cast<std::int16_t>(settings_.BreakMinutes));
  settings_.SoundName = BoundedName(EditSound.Text());
  settings_.ExecuteName = BoundedName(EditExecute.Text());
  // A value that cannot be written raises the accessor's error: the rest is
  // not written and the dialog stays open. A key that cannot be opened is
  // passed over in silence and the dialog closes.
  program_.store.SaveSettings(settings_);
  for (std::size_t slot = 0; slot < HotKeys.size(); ++slot) {
    const std::uint16_t word = HotKeys[slot]->Hotkey();
    settings_.Hotkeys[slot] = UsableHotkey(word) ? word : 0;
  }
  program_.store.SaveHotkeys(settings_.Hotkeys);
  if (gui::Form* main = App().MainForm()) program_.hotkeys.Apply(main->Handle(), settings_.Hotkeys);
  if (program_.HotkeysApplied) program_.HotkeysApplied();
  Close();
}

void TForm_Seeting::CancleClick() { Close(); }
void TForm_Seeting::Button1Click() { Close(); }

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
  DragBy(dx, dy);
}

void TForm_Seeting::Image1MouseUp(gui::MouseButton, unsigned, int, int) { TitleDragging = false; }

void TForm_Seeting::SettingsCaptionMouseUp(gui::MouseButton, unsigned, int, int) {}
