// The settings dialog on a simulated machine: the framework's integer
// conversion its minutes field goes through, the colour previews' pixels,
// the caption drag, and what its closing does to the other windows.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "dialogs/Seeting.h"
#include "effects/Show.h"
#include "platform/Utf8.h"
#include "resources/artwork/DialogArt.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;
using platform::Rect;

std::string ConversionError(std::string_view text) {
  try {
    StrToInt(text);
  } catch (const EConvertError& e) {
    return e.what();
  }
  return "";
}

TEST(StrToIntTest, TakesSignedDecimalAndHexadecimalNumbersThatFit) {
  EXPECT_EQ(StrToInt("0"), 0);
  EXPECT_EQ(StrToInt("150"), 150);
  EXPECT_EQ(StrToInt("  42"), 42) << "leading blanks are passed over";
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("-5"), -5);
  EXPECT_EQ(StrToInt("007"), 7);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1) << "hexadecimal spells all 32 bits";
}

TEST(StrToIntTest, RefusesAnythingElseWithTheTextInTheMessage) {
  EXPECT_EQ(ConversionError(""), "'' is not a valid integer value");
  EXPECT_EQ(ConversionError("abc"), "'abc' is not a valid integer value");
  for (const char* text : {" ", "-", "+", "$", "0x", "12 ", "1e3", "1.5", "12a", "--1", "- 1",
                           "2147483648", "-2147483649", "$100000000", "99999999999999999999999"})
    EXPECT_EQ(ConversionError(text), "'" + std::string(text) + "' is not a valid integer value")
        << text;
}

class SeetingFormTest : public ::testing::Test {
 protected:
  SeetingFormTest() : h(sys) { h.Start(); }
  TForm_Seeting& dialog() { return *h.program.Form_Seeting; }
  Rect WindowRect(platform::Hwnd hwnd) {
    Rect r;
    h.process->GetWindowRect(hwnd, &r);
    return r;
  }

  SimSystem sys;
  ProgramHarness h;
};

TEST_F(SeetingFormTest, IsABorderlessTopmostWindowAtItsDesignedPlace) {
  const auto* w = sys.Window(dialog().Handle());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->className, "TForm_Seeting");
  EXPECT_EQ(w->text, "Tavrin");
  EXPECT_FALSE(w->visible) << "made hidden at start-up";
  EXPECT_TRUE(dialog().StayOnTop());
  EXPECT_EQ(WindowRect(dialog().Handle()), (Rect{372, 248, 372 + 359, 248 + 267}));
  EXPECT_EQ(dialog().SettingsCaption.Caption(), "Tavrin Settings");
  EXPECT_EQ(dialog().SettingsCaption.color(), gui::kGrayText) << "the scheme's, not a fixed grey";
  EXPECT_EQ(dialog().SettingsCaption.BoundsRect(), (gui::IRect{0, 0, 359, 33}));
}

TEST_F(SeetingFormTest, TheBreakSoundsBrowseButtonShowsTheBrowseGlyphAndNoCaption) {
  const gui::TButton& b = dialog().BitBtn6;
  const auto* w = sys.Window(b.Handle());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->className, "BUTTON");
  EXPECT_NE(w->style & 0x0040u, 0u) << "made as a picture button (BS_ICON)";
  EXPECT_EQ(b.Caption(), "");
  ASSERT_NE(b.GlyphIcon(), 0u);
  EXPECT_EQ(b.ShownImage(), b.GlyphIcon()) << "the window holds the glyph's icon";
  const gui::MaskedImage* icon = sys.Icon(b.GlyphIcon());
  ASSERT_NE(icon, nullptr);
  const gui::MaskedImage glyph = artwork::BrowseGlyph();
  EXPECT_EQ(icon->color, glyph.color);
  EXPECT_EQ(icon->mask, glyph.mask);
  // Its neighbours keep their captions.
  EXPECT_EQ(dialog().BitBtn1.Caption(), "Browser");
  EXPECT_EQ(dialog().BitBtn1.ShownImage(), 0u);
}

// The style buttons stand on the pages' face: each paints its background
// with the dialog's brush of that colour, not the system's own, and the
// dialog makes that brush once and releases it with itself.
TEST_F(SeetingFormTest, TheStyleButtonsPaintTheirBackgroundInThePagesFace) {
  dialog().Show();
  h.app.ProcessMessages();
  for (const gui::TRadioButton* b : {&dialog().MarkButton1, &dialog().MarkButton3}) {
    h.process->InvalidateRect(b->Handle());
    h.app.ProcessMessages();
    EXPECT_EQ(h.process->ControlBackground(b->Handle()), std::optional<std::uint32_t>(0xC8D0D4))
        << b->Name();
  }
  EXPECT_EQ(h.process->BrushCount(), 1u) << "one brush for every button";
}

TEST_F(SeetingFormTest, PreviewShowsItsColourUnderTheRectanglesTopAndLeftEdges) {
  gui::Image narrow(dialog(), "narrow", {0, 0, 57, 17});
  TForm_Seeting::PaintColorPreview(narrow, 0x123456);
  const gui::Bitmap& p = narrow.Picture();
  ASSERT_EQ(p.Width(), 57);
  ASSERT_EQ(p.Height(), 17);
  for (int x = 0; x < 57; ++x) EXPECT_EQ(p.Pixel(x, 0), gui::kBlack) << "top edge at " << x;
  for (int y = 0; y < 17; ++y) EXPECT_EQ(p.Pixel(0, y), gui::kBlack) << "left edge at " << y;
  // The rectangle reaches 65 by 25: its right and bottom edges fall outside.
  EXPECT_EQ(p.Pixel(56, 8), 0x123456u);
  EXPECT_EQ(p.Pixel(28, 16), 0x123456u);
  EXPECT_EQ(p.Pixel(56, 16), 0x123456u);

  // The break previews are 65 wide: the right edge shows, the bottom still not.
  gui::Image wide(dialog(), "wide", {0, 0, 65, 17});
  TForm_Seeting::PaintColorPreview(wide, 0x00FF00);
  const gui::Bitmap& q = wide.Picture();
  for (int y = 0; y < 17; ++y) EXPECT_EQ(q.Pixel(64, y), gui::kBlack) << "right edge at " << y;
  EXPECT_EQ(q.Pixel(63, 16), 0x00FF00u);
  EXPECT_EQ(q.Pixel(1, 1), 0x00FF00u);

  // Painting again replaces the colour; the edges stay.
  TForm_Seeting::PaintColorPreview(narrow, gui::kWhite);
  EXPECT_EQ(narrow.Picture().Pixel(10, 10), gui::kWhite);
  EXPECT_EQ(narrow.Picture().Pixel(10, 0), gui::kBlack);
}

TEST_F(SeetingFormTest, CaptionDragsTheWindowByThePointersMotionWithEitherButton) {
  dialog().Show();
  h.app.ProcessMessages();
  const struct {
    std::uint32_t down, up;
  } buttons[] = {{platform::kMouseEventLeftDown, platform::kMouseEventLeftUp},
                 {platform::kMouseEventRightDown, platform::kMouseEventRightUp}};
  int left = 372, top = 248;
  for (const auto& b : buttons) {
    h.process->SetCursorPos(left + 100, top + 15);
    h.process->mouse_event(b.down, 0, 0, 0);
    h.app.ProcessMessages();
    h.process->mouse_event(platform::kMouseEventMove, 30, 10, 0);
    h.app.ProcessMessages();
    h.process->mouse_event(platform::kMouseEventMove, -5, 2, 0);
    h.app.ProcessMessages();
    h.process->mouse_event(b.up, 0, 0, 0);
    h.app.ProcessMessages();
    left += 25;
    top += 12;
    EXPECT_EQ(WindowRect(dialog().Handle()), (Rect{left, top, left + 359, top + 267}));
  }
  // After the release, moves over the caption no longer drag.
  h.process->mouse_event(platform::kMouseEventMove, 7, 7, 0);
  h.app.ProcessMessages();
  EXPECT_EQ(WindowRect(dialog().Handle()), (Rect{left, top, left + 359, top + 267}));
}

TEST_F(SeetingFormTest, ClosingShowsTheMainWindowAgainAndLowersTheOverlay) {
  h.Main().Hide();
  h.program.Form_Draw->SetStayOnTop(true);
  dialog().Show();
  h.app.ProcessMessages();
  dialog().Close();
  h.app.ProcessMessages();
  EXPECT_FALSE(dialog().Visible());
  EXPECT_TRUE(h.Main().Visible());
  EXPECT_FALSE(h.program.Form_Draw->StayOnTop());
}

// ---- the dialog driven as the user drives it ------------------------------------

// The dialog opened from the main window's menu, then used through real
// input: tabs chosen, buttons clicked, lists chosen, text typed, the choosers
// answered by the test (no answer being a cancel).
class SeetingUseTest : public ::testing::Test {
 protected:
  SeetingUseTest() : h(sys) {
    h.process->SetIdleTimeBudget(60'000);
    h.Start();
    sys.ClearRegistryWrites();  // the first run's key
  }
  TForm_Seeting& d() { return *h.program.Form_Seeting; }
  TSettings& s() { return h.program.Settings; }
  void Pump() { h.app.ProcessMessages(); }
  void Open() {
    h.Main().Settings1Click();
    Pump();
  }
  bool OnScreen(const gui::Form& f) { return sys.Window(f.Handle())->visible; }
  // The tabs themselves are the framework's (StdControlsTest).
  void Page(gui::TTabSheet& page) {
    d().PageControl1.SetActivePage(page);
    Pump();
  }
  void Click(const gui::WinControl& c) {
    sys.ClickWindow(c.Handle());
    Pump();
  }
  void Choose(const gui::TComboBox& list, int index) {
    sys.ChooseListItem(list.Handle(), index);
    Pump();
  }
  // Clicks into the field, selects all its text and types over it.
  void TypeInto(const gui::TEdit& field, std::string_view text) {
    Click(field);
    h.process->SendMessageA(field.Handle(), platform::ctl::kEmSetSel, 0, -1);
    sys.TypeText(text);
    Pump();
  }
  std::vector<std::string> Boxes(std::size_t from = 0) {
    std::vector<std::string> out;
    for (std::size_t i = from; i < h.ui.MessageBoxes().size(); ++i)
      out.push_back(h.ui.MessageBoxes()[i].text);
    return out;
  }
  std::vector<std::string> WrittenNames() {
    std::vector<std::string> out;
    for (const auto& w : sys.RegistryWrites()) out.push_back(w.valueName);
    return out;
  }
  static gui::Color Shown(const gui::Image& preview) { return preview.Picture().Pixel(10, 8); }

  SimSystem sys;
  ProgramHarness h;
};

using Names = std::vector<std::string>;

TEST_F(SeetingUseTest, ShowingFillsEveryControlFromTheRecordAsItIsThen) {
  s().MarkChoice = 2;
  s().RevealStyle = 3;
  s().LineStyle = 1;
  s().ZoomFactor = 8;
  s().SpotLightStyle = 2;
  s().LaserBeamSize = 4;
  s().PenSize = 5;
  s().RevealColor = 0x010101;
  s().LineColor = 0x020202;
  s().LaserBeamColor = 0x030303;
  s().RectangleColor = 0x040404;
  s().BreakBackColor = 0x050505;
  s().BreakFontColor = 0x060606;
  s().PenColor = 0x070707;
  s().ExecuteName = "C:\\run.exe";
  s().SoundName = "a.wav";
  s().BreakSound = "b.mid";
  s().BreakMinutes = 42;
  Open();
  EXPECT_TRUE(OnScreen(d()));
  EXPECT_FALSE(OnScreen(h.Main())) << "the menu command hides the main window";
  EXPECT_EQ(d().PageControl1.ActivePage(), &d().TabSheet_Mark);
  EXPECT_TRUE(d().MarkButton3.Checked());
  EXPECT_FALSE(d().MarkButton1.Checked());
  EXPECT_TRUE(d().RadioButton_RevealStyle4.Checked());
  EXPECT_TRUE(d().RadioButton_LineStyle2.Checked());
  EXPECT_TRUE(d().RadioButton_SpotLightStyle3.Checked());
  EXPECT_EQ(d().ComboBox_ZoomMultiple.ItemIndex(), 3);
  EXPECT_EQ(d().ComboBox_ZoomMultiple.Text(), "8x");
  EXPECT_EQ(d().ComboBox_LaserBeamMultiple.ItemIndex(), 3) << "the empty fourth item";
  EXPECT_EQ(d().ComboBoxPenSize.ItemIndex(), 4);
  EXPECT_EQ(Shown(d().Image_RevealColor), 0x010101u);
  EXPECT_EQ(Shown(d().Image_LineColor), 0x020202u);
  EXPECT_EQ(Shown(d().Image_LaserBeamColor), 0x030303u);
  EXPECT_EQ(Shown(d().ImageRectangleColor), 0x040404u);
  EXPECT_EQ(Shown(d().ImageBreakBackColor), 0x050505u);
  EXPECT_EQ(Shown(d().ImageBreakFontColor), 0x060606u);
  EXPECT_EQ(Shown(d().ImagePenColor), 0x070707u);
  EXPECT_EQ(d().EditExecute.Text(), "C:\\run.exe");
  EXPECT_EQ(d().EditSound.Text(), "a.wav");
  EXPECT_EQ(d().EditBreakSound.Text(), "b.mid");
  EXPECT_EQ(d().EditBreakTime.Text(), "42");
  EXPECT_EQ(d().BreakTimeUpDown.Position(), 42);
  EXPECT_TRUE(Boxes().empty());

  // Values changed meanwhile (as the overlay's tools change them) and values
  // no control names: a group keeps its check, a list shows nothing, an
  // overlong length shows capped; the last chosen page stays.
  Page(d().TabSheet_Pen);
  d().CancleClick();
  Pump();
  s().MarkChoice = 7;
  s().RevealStyle = -1;
  s().ZoomFactor = 7;
  s().LaserBeamSize = 0;
  s().PenSize = std::numeric_limits<std::int32_t>::min();
  s().BreakMinutes = 150;
  s().LineColor = 0x0000FF;
  Open();
  EXPECT_EQ(d().PageControl1.ActivePage(), &d().TabSheet_Pen);
  EXPECT_TRUE(d().MarkButton3.Checked());
  EXPECT_TRUE(d().RadioButton_RevealStyle4.Checked());
  EXPECT_EQ(d().ComboBox_ZoomMultiple.ItemIndex(), 2) << "7 / 2 - 1 truncates to 2";
  EXPECT_EQ(d().ComboBox_LaserBeamMultiple.ItemIndex(), -1);
  EXPECT_EQ(d().ComboBoxPenSize.ItemIndex(), -1);
  EXPECT_EQ(d().ComboBoxPenSize.Text(), "");
  EXPECT_EQ(d().EditBreakTime.Text(), "99");
  EXPECT_EQ(d().BreakTimeUpDown.Position(), 99);
  EXPECT_EQ(Shown(d().Image_LineColor), 0x0000FFu);
  EXPECT_EQ(s().BreakMinutes, 150) << "the record changes only at OK";
  EXPECT_EQ(s().ZoomFactor, 7) << "showing chooses nothing";
}

TEST_F(SeetingUseTest, RadioButtonsAndListsWriteThroughAtOnceAndTypedListTextKeepsTheLastValue) {
  Open();
  const struct {
    gui::TTabSheet* page;
    std::vector<gui::TRadioButton*> buttons;
    std::int32_t TSettings::*field;
  } groups[] = {
      {&d().TabSheet_Mark,
       {&d().MarkButton1, &d().MarkButton2, &d().MarkButton3},
       &TSettings::MarkChoice},
      {&d().TabSheet_Reveal,
       {&d().RadioButton_RevealStyle1, &d().RadioButton_RevealStyle2, &d().RadioButton_RevealStyle3,
        &d().RadioButton_RevealStyle4},
       &TSettings::RevealStyle},
      {&d().TabSheet_Line,
       {&d().RadioButton_LineStyle1, &d().RadioButton_LineStyle2, &d().RadioButton_LineStyle3},
       &TSettings::LineStyle},
      {&d().TabSheet_SpotLight,
       {&d().RadioButton_SpotLightStyle1, &d().RadioButton_SpotLightStyle2,
        &d().RadioButton_SpotLightStyle3},
       &TSettings::SpotLightStyle},
  };
  for (const auto& g : groups) {
    Page(*g.page);
    for (int k = static_cast<int>(g.buttons.size()) - 1; k >= 0; --k) {
      Click(*g.buttons[static_cast<std::size_t>(k)]);
      EXPECT_EQ(s().*g.field, k) << g.buttons[static_cast<std::size_t>(k)]->Name();
      EXPECT_TRUE(g.buttons[static_cast<std::size_t>(k)]->Checked());
    }
  }

  const struct {
    gui::TTabSheet* page;
    gui::TComboBox* list;
    std::int32_t TSettings::*field;
    std::vector<std::int32_t> values;
  } lists[] = {
      {&d().TabSheet_Zoom,
       &d().ComboBox_ZoomMultiple,
       &TSettings::ZoomFactor,
       {2, 4, 6, 8, 10, 12}},
      {&d().TabSheet_LaserBeam,
       &d().ComboBox_LaserBeamMultiple,
       &TSettings::LaserBeamSize,
       {1, 2, 3, 4}},
      {&d().TabSheet_Pen, &d().ComboBoxPenSize, &TSettings::PenSize, {1, 2, 3, 4, 5}},
  };
  for (const auto& l : lists) {
    Page(*l.page);
    for (std::size_t i = 0; i < l.values.size(); ++i) {
      Choose(*l.list, static_cast<int>(i));
      EXPECT_EQ(s().*l.field, l.values[i]) << l.list->Name() << " item " << i;
    }
    Choose(*l.list, 1);
    // Typing into the list's own field leaves no item chosen: the value stays.
    Click(*l.list);
    sys.TypeText("7x");
    Pump();
    EXPECT_EQ(l.list->Text(), "7x") << l.list->Name();
    EXPECT_EQ(l.list->ItemIndex(), -1) << l.list->Name();
    EXPECT_EQ(s().*l.field, l.values[1]) << l.list->Name() << " never 0 from typed text";
  }
  EXPECT_TRUE(sys.RegistryWrites().empty()) << "only OK writes";
}

TEST_F(SeetingUseTest, OkWritesTheRecordInTheStoresOrderAndClosesShowingTheMainWindow) {
  s().LineColor = 0x00FF00;  // as the overlay's clicks leave it
  s().PenColor = 0x123456;
  Open();
  Page(d().TabSheet_Reveal);
  Click(d().RadioButton_RevealStyle3);
  Page(d().TabSheet_Zoom);
  Choose(d().ComboBox_ZoomMultiple, 5);
  Page(d().TabSheet_Pen);
  Choose(d().ComboBoxPenSize, 2);
  Page(d().TabSheet_Execute);
  TypeInto(d().EditExecute, "notepad.exe");
  Page(d().TabSheet_Sound);
  TypeInto(d().EditSound, "ding.wav");
  Page(d().TabSheet_BreakTime);
  TypeInto(d().EditBreakSound, "gong.mid");
  TypeInto(d().EditBreakTime, "25");
  sys.ClearRegistryWrites();
  Click(d().OK);

  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(WrittenNames(),
            (Names{"Mark Choice",     "Reveal Color",    "Reveal Style",     "Line Color",
                   "Line Style",      "ZoomX",           "Spot Light Style", "Laser Beam Color",
                   "Laser Beam Size", "Rectangle Color", "Break Font Color", "Break Back Color",
                   "Break Time ",     "SoundName",       "BreakSound",       "Execute Name",
                   "Version",         "Hotkey B",        "Hotkey C",         "Hotkey D",
                   "Hotkey E",        "Hotkey F",        "Hotkey G",         "Hotkey H",
                   "Hotkey I",        "Hotkey J",        "Hotkey K",         "Hotkey L"}));
  for (std::size_t i = 0; i < sys.RegistryWrites().size(); ++i)
    EXPECT_EQ(sys.RegistryWrites()[i].type,
              i < 13 || i >= 17 ? platform::kRegDword : platform::kRegSz)
        << sys.RegistryWrites()[i].valueName;
  EXPECT_EQ(sys.Dword(kKey, "Reveal Style"), 2u);
  EXPECT_EQ(sys.Dword(kKey, "ZoomX"), 12u);
  EXPECT_EQ(sys.Dword(kKey, "Line Color"), 0x00FF00u);
  EXPECT_EQ(sys.Dword(kKey, "Break Time "), 25u);
  EXPECT_EQ(sys.Dword(kKey, "Break Back Color"), 0x000080u);
  EXPECT_EQ(sys.String(kKey, "Execute Name"), "notepad.exe");
  EXPECT_EQ(sys.String(kKey, "SoundName"), "ding.wav");
  EXPECT_EQ(sys.String(kKey, "BreakSound"), "gong.mid");
  EXPECT_EQ(sys.String(kKey, "Version"), " 2.0.8");
  EXPECT_EQ(s().BreakMinutes, 25);
  EXPECT_EQ(d().BreakTimeUpDown.Position(), 25);
  EXPECT_EQ(s().PenSize, 3) << "the pen stays in memory only";
  EXPECT_FALSE(sys.Value(kKey, "PenColor"));

  EXPECT_FALSE(OnScreen(d()));
  EXPECT_TRUE(OnScreen(h.Main()));
}

TEST_F(SeetingUseTest, AWriteThatFailsAtOkNamesTheValueStopsTheSaveAndKeepsTheDialogOpen) {
  Open();
  sys.FailValueWrite("Line Style");
  sys.ClearRegistryWrites();
  Click(d().OK);
  EXPECT_EQ(Boxes(), (Names{"Failed to set data for 'Line Style'"}));
  EXPECT_EQ(WrittenNames(), (Names{"Mark Choice", "Reveal Color", "Reveal Style", "Line Color"}));
  EXPECT_TRUE(OnScreen(d()));
  EXPECT_FALSE(OnScreen(h.Main()));
}

TEST_F(SeetingUseTest, AKeyThatCannotBeOpenedAtOkIsPassedOverSilentlyAndTheDialogCloses) {
  sys.DeleteKey(kKey);
  sys.FailOpenKey(kKey);
  sys.FailCreateKey(kKey);
  Open();
  Page(d().TabSheet_Sound);
  TypeInto(d().EditSound, "x.wav");
  const std::size_t boxes = h.ui.MessageBoxes().size();
  Click(d().OK);
  EXPECT_EQ(h.ui.MessageBoxes().size(), boxes);
  EXPECT_FALSE(sys.KeyExists(kKey));
  EXPECT_EQ(s().SoundName, "x.wav") << "for this run";
  EXPECT_FALSE(OnScreen(d()));
  EXPECT_TRUE(OnScreen(h.Main()));
}

TEST_F(SeetingUseTest, MinutesThatAreNoNumberRaiseTheErrorAsTypedAndStopOkBeforeAnything) {
  Open();
  Page(d().TabSheet_Sound);
  TypeInto(d().EditSound, "new.wav");
  Page(d().TabSheet_BreakTime);
  Click(d().EditBreakTime);
  h.process->SendMessageA(d().EditBreakTime.Handle(), platform::ctl::kEmSetSel, 0, -1);
  sys.TypeText("\b");  // emptied
  Pump();
  EXPECT_EQ(Boxes(), (Names{"'' is not a valid integer value"}));
  EXPECT_EQ(d().EditBreakTime.Text(), "") << "the text stays as typed";
  sys.TypeText("1a");
  Pump();
  EXPECT_EQ(Boxes(1), (Names{"'1a' is not a valid integer value"}));

  sys.ClearRegistryWrites();
  Click(d().OK);
  EXPECT_EQ(Boxes(2), (Names{"'1a' is not a valid integer value"}));
  EXPECT_TRUE(sys.RegistryWrites().empty());
  EXPECT_EQ(s().BreakMinutes, 10);
  EXPECT_EQ(s().SoundName, kDefaultSoundName) << "nothing is copied";
  EXPECT_TRUE(OnScreen(d()));
}

// The stay-on-top dialog's boxes and choosers are its own: they stand above
// it and it waits behind them, disabled, instead of their opening unseen
// under it with the keyboard.
TEST_F(SeetingUseTest, TheErrorBoxAndTheChoosersBelongToTheDialog) {
  Open();
  Page(d().TabSheet_BreakTime);
  TypeInto(d().EditBreakTime, "x");
  ASSERT_EQ(Boxes(), (Names{"'x' is not a valid integer value"}));
  EXPECT_EQ(h.ui.MessageBoxes().back().owner, d().Handle());
  bool enabledWhileUp = true;
  h.ui.whileChooserUp = [&] { enabledWhileUp = h.process->IsWindowEnabled(d().Handle()); };
  Click(d().BitBtn4);
  EXPECT_FALSE(enabledWhileUp);
  EXPECT_TRUE(h.process->IsWindowEnabled(d().Handle()));
  EXPECT_EQ(sys.Foreground(), d().Handle());
  EXPECT_TRUE(d().BitBtn4.Focused()) << "the keyboard back where it was";
  Click(d().BitBtn6);
  EXPECT_EQ(h.ui.chooserOwners, (std::vector<platform::Hwnd>{d().Handle(), d().Handle()}));
}

TEST_F(SeetingUseTest, TheMinutesFieldCapsAt99AsTypedAndOkMakesANegativeLengthZero) {
  Open();
  Page(d().TabSheet_BreakTime);
  TypeInto(d().EditBreakTime, "150");
  EXPECT_EQ(d().EditBreakTime.Text(), "99") << "capped at once";
  EXPECT_EQ(s().BreakMinutes, 10) << "typing changes only the field";
  Click(d().OK);
  EXPECT_EQ(s().BreakMinutes, 99);
  EXPECT_EQ(sys.Dword(kKey, "Break Time "), 99u);

  Open();
  TypeInto(d().EditBreakTime, "-5");
  EXPECT_EQ(Boxes(), (Names{"'-' is not a valid integer value"})) << "the sign alone";
  EXPECT_EQ(d().EditBreakTime.Text(), "-5");
  Click(d().OK);
  EXPECT_EQ(s().BreakMinutes, 0) << "a negative length would never end the break";
  EXPECT_EQ(sys.Dword(kKey, "Break Time "), 0u);

  Open();
  EXPECT_EQ(d().EditBreakTime.Text(), "0");
  TypeInto(d().EditBreakTime, "0");
  Click(d().OK);
  EXPECT_EQ(sys.Dword(kKey, "Break Time "), 0u) << "0 is stored as typed";
}

TEST_F(SeetingUseTest, TheUpDownCountsFromItsOwnPositionAndWritesThroughWithTheBreakSound) {
  Open();
  Page(d().TabSheet_BreakTime);
  TypeInto(d().EditBreakTime, "50");
  TypeInto(d().EditBreakSound, "bell.wav");
  sys.ClickUpDownArrow(d().BreakTimeUpDown.Handle(), true);
  Pump();
  EXPECT_EQ(d().EditBreakTime.Text(), "11");
  EXPECT_EQ(s().BreakMinutes, 11);
  EXPECT_EQ(s().BreakSound, "bell.wav");
  // At the range's ends the position stays where it is.
  d().BreakTimeUpDown.SetPosition(1);
  sys.ClickUpDownArrow(d().BreakTimeUpDown.Handle(), false);
  Pump();
  EXPECT_EQ(s().BreakMinutes, 1);
  EXPECT_EQ(d().EditBreakTime.Text(), "1");
  // Cancelled, the arrow's change stays; typed minutes do not.
  TypeInto(d().EditBreakTime, "20");
  Click(d().Cancle);
  EXPECT_EQ(s().BreakMinutes, 1);
  Open();
  EXPECT_EQ(d().EditBreakTime.Text(), "1");
}

TEST_F(SeetingUseTest, EachColourButtonStoresAConfirmedColourAndACancelChangesNothing) {
  Open();
  const struct {
    gui::TTabSheet* page;
    gui::TButton* button;
    gui::Color TSettings::*field;
    gui::Image* preview;
  } buttons[] = {
      {&d().TabSheet_Reveal, &d().BitBtn_RevealColor, &TSettings::RevealColor,
       &d().Image_RevealColor},
      {&d().TabSheet_Line, &d().BitBtn_LineColor, &TSettings::LineColor, &d().Image_LineColor},
      {&d().TabSheet_LaserBeam, &d().BitBtn_LaserBeamColor, &TSettings::LaserBeamColor,
       &d().Image_LaserBeamColor},
      {&d().TabSheet_Rectangle, &d().BitBtn_RectangleColor, &TSettings::RectangleColor,
       &d().ImageRectangleColor},
      {&d().TabSheet_BreakTime, &d().BitBtn4, &TSettings::BreakBackColor, &d().ImageBreakBackColor},
      {&d().TabSheet_BreakTime, &d().BitBtn5, &TSettings::BreakFontColor, &d().ImageBreakFontColor},
      {&d().TabSheet_Pen, &d().BitBtn7, &TSettings::PenColor, &d().ImagePenColor},
  };
  gui::Color confirmed = gui::kBlack;  // what the chooser opens with
  std::size_t opened = 0;
  for (const auto& b : buttons) {
    Page(*b.page);
    const gui::Color before = s().*b.field;
    // The first chooser of the run cancelled: not black, nothing at all.
    Click(*b.button);
    ASSERT_EQ(h.ui.colorChoosers.size(), ++opened) << b.button->Name();
    EXPECT_EQ(h.ui.colorChoosers.back().color, confirmed) << "never the setting's colour";
    EXPECT_EQ(s().*b.field, before) << b.button->Name();
    EXPECT_EQ(Shown(*b.preview), before) << b.button->Name();

    confirmed = 0x100000u * static_cast<gui::Color>(opened) + 0x2233;
    h.ui.colorAnswers.push_back(confirmed);
    Click(*b.button);
    ++opened;
    EXPECT_EQ(s().*b.field, confirmed) << b.button->Name();
    EXPECT_EQ(Shown(*b.preview), confirmed) << b.button->Name();
    EXPECT_EQ(b.preview->Picture().Pixel(0, 0), gui::kBlack) << "the outline stays";
  }
  EXPECT_TRUE(sys.RegistryWrites().empty());
}

TEST_F(SeetingUseTest, TheBrowseButtonsTakeTheFieldsFirstAndAChosenFileOnlyIfConfirmed) {
  using namespace std::string_literals;
  Open();
  Page(d().TabSheet_Sound);
  TypeInto(d().EditSound, "typed.wav");
  Page(d().TabSheet_BreakTime);
  TypeInto(d().EditBreakSound, "typed.mid");
  Page(d().TabSheet_Execute);
  TypeInto(d().EditExecute, "typed.exe");

  // Execute: both sound fields are taken even when the chooser is cancelled.
  Click(d().BitBtn_ExecuteBrowser);
  ASSERT_EQ(h.ui.fileChoosers.size(), 1u);
  EXPECT_EQ(h.ui.fileChoosers[0].fileName, "  ");
  EXPECT_EQ(h.ui.fileChoosers[0].filter, "*.exe\0*.exe\0\0"s);
  EXPECT_EQ(s().SoundName, "typed.wav");
  EXPECT_EQ(s().BreakSound, "typed.mid");
  EXPECT_EQ(s().ExecuteName, kDefaultExecuteName);
  EXPECT_EQ(d().EditExecute.Text(), "typed.exe");
  h.ui.fileAnswers.push_back("C:\\Tools\\show.exe");
  Click(d().BitBtn_ExecuteBrowser);
  EXPECT_EQ(d().EditExecute.Text(), "C:\\Tools\\show.exe");
  EXPECT_EQ(s().ExecuteName, "C:\\Tools\\show.exe");

  // Sound: the chooser opens with the name its last use left.
  Page(d().TabSheet_Sound);
  s().BreakSound.clear();
  Click(d().BitBtn1);
  ASSERT_EQ(h.ui.fileChoosers.size(), 3u);
  EXPECT_EQ(h.ui.fileChoosers[2].fileName, "C:\\Tools\\show.exe");
  EXPECT_EQ(h.ui.fileChoosers[2].filter, "*.mid\0*.mid\0*.wav\0*.wav\0\0"s);
  EXPECT_EQ(s().BreakSound, "typed.mid");
  EXPECT_EQ(s().SoundName, "typed.wav");
  h.ui.fileAnswers.push_back("C:\\Media\\chime.wav");
  Click(d().BitBtn1);
  EXPECT_EQ(s().SoundName, "C:\\Media\\chime.wav");
  EXPECT_EQ(d().EditSound.Text(), "C:\\Media\\chime.wav");

  // Break sound.
  Page(d().TabSheet_BreakTime);
  TypeInto(d().EditBreakSound, "other.mid");
  Click(d().BitBtn6);
  ASSERT_EQ(h.ui.fileChoosers.size(), 5u);
  EXPECT_EQ(h.ui.fileChoosers[4].fileName, "C:\\Media\\chime.wav");
  EXPECT_EQ(h.ui.fileChoosers[4].filter, "*.mid\0*.mid\0*.wav\0*.wav\0\0"s);
  EXPECT_EQ(s().BreakSound, "other.mid");
  h.ui.fileAnswers.push_back("C:\\Media\\gong.mid");
  Click(d().BitBtn6);
  EXPECT_EQ(s().BreakSound, "C:\\Media\\gong.mid");
  EXPECT_EQ(d().EditBreakSound.Text(), "C:\\Media\\gong.mid");
  EXPECT_TRUE(sys.RegistryWrites().empty());
}

// A chosen name the record cannot hold whole would name a file that does
// not exist once cut: the user is told, and nothing changes. A name that
// just fits is taken; typing stops at the record's length. Lengths count
// characters, of two bytes each here.
TEST_F(SeetingUseTest, AChosenNameTooLongForTheRecordIsRefusedWithABoxAndTypingStopsThere) {
  const auto letters = [](std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += "\u0436";
    return s;
  };
  const std::string fits = "C:\\" + letters(247) + ".wav";  // 254 characters
  const std::string over = "C:\\" + letters(248) + ".wav";  // 255
  Open();
  const struct {
    gui::TTabSheet* page;
    gui::TButton* browse;
    gui::TEdit* field;
    std::string TSettings::*name;
  } browsers[] = {
      {&d().TabSheet_Execute, &d().BitBtn_ExecuteBrowser, &d().EditExecute,
       &TSettings::ExecuteName},
      {&d().TabSheet_Sound, &d().BitBtn1, &d().EditSound, &TSettings::SoundName},
      {&d().TabSheet_BreakTime, &d().BitBtn6, &d().EditBreakSound, &TSettings::BreakSound},
  };
  for (const auto& b : browsers) {
    Page(*b.page);
    const std::string before = b.field->Text();
    const std::size_t boxes = h.ui.MessageBoxes().size();
    h.ui.fileAnswers.push_back(over);
    Click(*b.browse);
    ASSERT_EQ(h.ui.MessageBoxes().size(), boxes + 1) << b.browse->Name();
    const gui::MessageBoxCall& box = h.ui.MessageBoxes().back();
    EXPECT_EQ(box.owner, d().Handle());
    std::string unbroken = box.text;
    std::erase(unbroken, '\n');
    EXPECT_NE(unbroken.find(over), std::string::npos) << "the box names the file";
    std::istringstream lines(box.text);
    for (std::string line; std::getline(lines, line);) {
      if (line.find(' ') == std::string::npos) {
        EXPECT_LE(platform::Utf8Length(line), 64u) << "a box wraps no name";
      }
      EXPECT_EQ(platform::Utf8Repaired(line), line) << "a line ends between two characters";
    }
    EXPECT_NE(box.text.find("255 characters"), std::string::npos) << box.text;
    EXPECT_EQ(b.field->Text(), before) << b.browse->Name();
    EXPECT_EQ(s().*b.name, before) << b.browse->Name();

    h.ui.fileAnswers.push_back(fits);
    Click(*b.browse);
    EXPECT_EQ(h.ui.MessageBoxes().size(), boxes + 1) << b.browse->Name();
    EXPECT_EQ(b.field->Text(), fits) << b.browse->Name();
    EXPECT_EQ(s().*b.name, fits) << b.browse->Name();
  }
  Page(d().TabSheet_Execute);
  // Typed, 254 letters of two bytes each, and no more.
  TypeInto(d().EditExecute, letters(300));
  EXPECT_EQ(platform::Utf8Length(d().EditExecute.Text()), 254u);
  Click(d().OK);
  EXPECT_TRUE(sys.String(kKey, "Execute Name") == letters(254));
  EXPECT_EQ(sys.String(kKey, "SoundName"), fits);
}

TEST_F(SeetingUseTest, CancleAndExitWriteNothingKeepTheWriteThroughAndShowTheMainWindow) {
  for (gui::TButton* close : {&d().Cancle, &d().Button1}) {
    Open();
    Page(d().TabSheet_Reveal);
    Click(d().RadioButton_RevealStyle3);
    Page(d().TabSheet_Sound);
    TypeInto(d().EditSound, "unsaved.wav");
    sys.ClearRegistryWrites();
    Click(*close);
    EXPECT_TRUE(sys.RegistryWrites().empty()) << close->Name();
    EXPECT_FALSE(OnScreen(d())) << close->Name();
    EXPECT_TRUE(OnScreen(h.Main())) << close->Name();
    EXPECT_EQ(s().RevealStyle, 2) << "in effect for the rest of the run";
    EXPECT_EQ(s().SoundName, kDefaultSoundName);
    EXPECT_EQ(sys.Dword(kKey, "Reveal Style"), 0u);
  }
  Open();
  EXPECT_EQ(d().EditSound.Text(), kDefaultSoundName) << "typed text is replaced at the show";
}

}  // namespace
