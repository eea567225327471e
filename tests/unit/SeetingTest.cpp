// The settings dialog on a simulated machine: the framework's integer
// conversion its minutes field goes through, the colour previews' pixels,
// the caption drag, and what its closing does to the other windows.
#include <gtest/gtest.h>

#include "dialogs/Seeting.h"
#include "effects/Show.h"
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
  EXPECT_EQ(dialog().SettingsCaption.BoundsRect(), (gui::IRect{0, 0, 359, 33}));
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

}  // namespace
