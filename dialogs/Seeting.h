// The settings dialog: the look of the drawing tools, the zoom factor, the
// program to open, the break's length, colours and sound, and the sound of
// the Play Sound effect. Radio buttons, lists and colour buttons write
// through to the shared record at once; the name fields and the minutes
// reach it at OK, which also stores the record in the registry.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/Program.h"
#include "gui/CommonDialogs.h"
#include "gui/Form.h"
#include "gui/Graphic.h"
#include "gui/StdControls.h"

// What the framework's integer conversion raises for a text that is not a
// whole number: "'%s' is not a valid integer value".
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The framework's integer conversion: leading blanks, an optional sign, then
// decimal digits, or hexadecimal ones after "$" or "0x"; nothing may follow,
// and the number must fit in 32 bits.
std::int32_t StrToInt(std::string_view text);

class TForm_Seeting : public gui::DialogForm {
 public:
  TForm_Seeting(gui::Application& app, Program& program);

  // The background and the caption strip, which drags the window.
  gui::BevelPanel Panel1;
  gui::BevelPanel SettingsCaption;
  gui::Image Image1;

  gui::TPageControl PageControl1;
  gui::TTabSheet TabSheet_Mark, TabSheet_Reveal, TabSheet_Line, TabSheet_Zoom, TabSheet_SpotLight,
      TabSheet_LaserBeam, TabSheet_Rectangle, TabSheet_Execute, TabSheet_BreakTime, TabSheet_Sound,
      TabSheet_Pen, TabSheet_Keys;

  // Mark
  gui::TGroupBox GroupBox_MarkStyle;
  gui::TRadioButton MarkButton1, MarkButton2, MarkButton3;
  // Reveal
  gui::TGroupBox GroupBox_Reveal;
  gui::TRadioButton RadioButton_RevealStyle1, RadioButton_RevealStyle2, RadioButton_RevealStyle3,
      RadioButton_RevealStyle4;
  gui::Image Image_RevealColor;
  gui::TButton BitBtn_RevealColor;
  // Line
  gui::TGroupBox GroupBox_LineStyle;
  gui::TRadioButton RadioButton_LineStyle1, RadioButton_LineStyle2, RadioButton_LineStyle3;
  gui::Image Image_LineColor;
  gui::TButton BitBtn_LineColor;
  // Zoom
  gui::TComboBox ComboBox_ZoomMultiple;
  // Spot Light
  gui::TGroupBox GroupBox_SpotLightStyle;
  gui::TRadioButton RadioButton_SpotLightStyle1, RadioButton_SpotLightStyle2,
      RadioButton_SpotLightStyle3;
  // Laser Beam
  gui::TComboBox ComboBox_LaserBeamMultiple;
  gui::Image Image_LaserBeamColor;
  gui::TButton BitBtn_LaserBeamColor;
  // Rectangle
  gui::Image ImageRectangleColor;
  gui::TButton BitBtn_RectangleColor;
  // Execute Program
  gui::TEdit EditExecute;
  gui::TButton BitBtn_ExecuteBrowser;
  // Break Time
  gui::TEdit EditBreakTime;
  gui::TUpDown BreakTimeUpDown;
  gui::Image ImageBreakBackColor;
  gui::TButton BitBtn4;
  gui::Image ImageBreakFontColor;
  gui::TButton BitBtn5;
  gui::TEdit EditBreakSound;
  gui::TButton BitBtn6;
  // Sound File
  gui::TEdit EditSound;
  gui::TButton BitBtn1;
  // Pen
  gui::TComboBox ComboBoxPenSize;
  gui::Image ImagePenColor;
  gui::TButton BitBtn7;
  // Keys: slot n's shortcut (HotKeyB .. HotKeyL), placed as the palette
  // places its icons, under a caption with the key and its effect.
  std::array<std::unique_ptr<gui::THotKey>, 11> HotKeys;
  std::array<gui::Label*, 11> HotKeyCaptions{};

  gui::TButton OK, Button1, Cancle;

  // One colour chooser for the seven colour buttons, one file chooser for
  // the three browse buttons.
  gui::TColorDialog ColorDialog1;
  gui::TOpenDialog OpenDialog1;

  void FormShow();
  void FormClose(gui::CloseAction& action);
  void OKClick();
  void CancleClick();
  void Button1Click();
  void MarkButton1Click();
  void MarkButton2Click();
  void MarkButton3Click();
  void RadioButton_RevealStyle1Click();
  void RadioButton_RevealStyle2Click();
  void RadioButton_RevealStyle3Click();
  void RadioButton_RevealStyle4Click();
  void RadioButton_LineStyle1Click();
  void RadioButton_LineStyle2Click();
  void RadioButton_LineStyle3Click();
  void RadioButton_SpotLightStyle1Click();
  void RadioButton_SpotLightStyle2Click();
  void RadioButton_SpotLightStyle3Click();
  void ComboBox_ZoomMultipleChange();
  void ComboBox_LaserBeamMultipleChange();
  void ComboBoxPenSizeChange();
  void BitBtn_RevealColorClick();
  void BitBtn_LineColorClick();
  void BitBtn_LaserBeamColorClick();
  void BitBtn_RectangleColorClick();
  void BitBtn4Click();
  void BitBtn5Click();
  void BitBtn7Click();
  void BitBtn_ExecuteBrowserClick();
  void BitBtn1Click();
  void BitBtn6Click();
  void BreakTimeUpDownClick();
  void EditBreakTimeChange();
  void Image1MouseDown(gui::MouseButton button, unsigned shift, int x, int y);
  void Image1MouseMove(unsigned shift, int x, int y);
  void Image1MouseUp(gui::MouseButton button, unsigned shift, int x, int y);
  void SettingsCaptionMouseUp(gui::MouseButton button, unsigned shift, int x, int y);
  void HotKeyChange(std::size_t slot);

  // Fills the preview with the colour under a black line along its top and
  // left edges (and its right one, 65 pixels in, in the wider previews).
  static void PaintColorPreview(gui::Image& image, gui::Color colour);

 protected:
  platform::LResult WndProc(std::uint32_t message, platform::WParam wParam,
                            platform::LParam lParam) override;

 private:
  // The program gives its shortcuts back while the user may type one here:
  // while this dialog is in front with the Keys page showing.
  void FollowHotkeyFocus();
  // The caption of slot's control: the key and its effect, and in red what
  // keeps the shortcut from working (error: as HotkeyRegistrations::Error).
  void ShowHotkeyState(std::size_t slot, long error);
  void AddKeysPage();
  void ChooseColor(gui::Color& setting, gui::Image& preview);
  // Whether the name chosen in the file chooser fits the record; if not,
  // the user is told so.
  bool ChosenNameFits();
  // A label, picture or frame on a page, with no part in the settings.
  template <class T, class... Args>
  T& Decorate(gui::TTabSheet& page, Args&&... args);
  void AddStylePictures(gui::TTabSheet& page, const std::vector<gui::TRadioButton*>& buttons,
                        gui::Bitmap (*picture)(int), int size);
  void AddPreviewFrame(gui::TTabSheet& page, gui::Image& preview);

  Program& program_;
  TSettings& settings_;
  std::array<gui::TRadioButton*, 3> markButtons_;
  std::array<gui::TRadioButton*, 4> revealButtons_;
  std::array<gui::TRadioButton*, 3> lineButtons_;
  std::array<gui::TRadioButton*, 3> spotLightButtons_;
  std::vector<std::unique_ptr<gui::Control>> decoration_;
  bool active_ = false;  // in front (WM_ACTIVATE)
  // Why the system refused each slot's shortcut at its last registration
  // (0 for one changed on the page since).
  std::array<long, 11> systemErrors_{};
  bool TitleDragging = false;
  std::int32_t DragStartX = 0;
  std::int32_t DragStartY = 0;
};
