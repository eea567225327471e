// Undo, redo and clear on the overlay, for each tool whose clicks leave
// something on the picture: the screen after each is exactly what it was,
// pixel for pixel; and the history's memory bound at 3840 by 2160.
#include <gtest/gtest.h>

#include "effects/UndoHistory.h"
#include "tests/support/OverlayDriver.h"

namespace {

using namespace testing_support;

constexpr int kW = 400, kH = 320;  // room for the Magnifier's 300-pixel lens
constexpr int kRestX = 380, kRestY = 300;
constexpr std::uint8_t kVkDelete = 0x2E;

struct UndoTool {
  const char* name;
  unsigned code;
  // One step at (x, y), through the pointer as the presenter gives it.
  void (*step)(OverlayDriver&, int x, int y);
};

const UndoTool kTools[] = {
    {"Mark", 0,
     [](OverlayDriver& d, int x, int y) {
       d.Move(x, y);
       d.Press(false);
     }},
    {"Pen", 4,
     [](OverlayDriver& d, int x, int y) {
       d.Move(x, y);
       d.Button(false, true);
       d.Move(x + 60, y + 10);
       d.Move(x + 90, y - 40);  // a second segment crossing tiles
       d.Button(false, false);
     }},
    {"Rectangle", 7,
     [](OverlayDriver& d, int x, int y) {
       d.Move(x, y);
       d.Press(false);
       d.Move(x + 70, y + 50);
       d.Press(false);
     }},
    {"Magnifier", 8,
     [](OverlayDriver& d, int x, int y) {
       d.Move(x, y);
       d.Press(false);
       d.Move(x + 3, y + 2);  // pins the lens here
     }},
};

class UndoTest : public ::testing::TestWithParam<UndoTool>, protected OverlayDriver {
 protected:
  UndoTest() : OverlayDriver(kW, kH) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        sys.Wallpaper().SetPixel(x, y, gui::Rgb((x * 7) & 0xFF, (y * 5) & 0xFF, (x ^ y) & 0xFF));
  }
  // A step, then the pointer where it draws nothing (the Magnifier's live
  // lens is there in every picture compared); what the screen shows then.
  gui::Bitmap Step(int x, int y) {
    GetParam().step(*this, x, y);
    return Rest();
  }
  gui::Bitmap Rest() {
    Move(kRestX, kRestY);
    return Shown();
  }
  // Pixels of the screen now that differ from a picture of it.
  long Differ(const gui::Bitmap& from) {
    long n = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) n += Shown().Pixel(x, y) != from.Pixel(x, y);
    return n;
  }
  void Keys(std::uint8_t vk, bool ctrl, bool shift = false) {
    using namespace platform;
    if (shift) h.process->keybd_event(kVkShift, 0, 0);
    h.PressKey(vk, ctrl);
    if (shift) h.process->keybd_event(kVkShift, 0, kKeyEventKeyUp);
    h.app.ProcessMessages();
  }
};

TEST_P(UndoTest, UndoRedoAndClearGiveBackTheScreenExactly) {
  Open(GetParam().code, kRestX, kRestY);
  const gui::Bitmap frozen = Rest();
  const gui::Bitmap one = Step(40, 60);
  ASSERT_NE(one, frozen) << "the step drew";
  const gui::Bitmap two = Step(70, 80);  // over the first
  ASSERT_NE(two, one);

  Keys('Z', true);
  EXPECT_EQ(Differ(one), 0) << "Ctrl+Z";
  Keys('Z', true);
  EXPECT_EQ(Differ(frozen), 0) << "Ctrl+Z again";
  Keys('Z', true);
  EXPECT_EQ(Differ(frozen), 0) << "nothing left to undo";
  Keys('Y', true);
  EXPECT_EQ(Differ(one), 0) << "Ctrl+Y";
  Keys('Z', true, true);
  EXPECT_EQ(Differ(two), 0) << "Ctrl+Shift+Z";

  Keys('Z', true);
  const gui::Bitmap three = Step(20, 150);
  Keys('Y', true);
  EXPECT_EQ(Differ(three), 0) << "a new step after an undo drops the redo";

  Keys(kVkDelete, false);
  EXPECT_EQ(Differ(frozen), 0) << "Delete clears to the frozen picture";
  Keys('Z', true);
  EXPECT_EQ(Differ(three), 0) << "the clear undone";
  Keys('Y', true);
  EXPECT_EQ(Differ(frozen), 0) << "and done again";
  Keys('Z', true);
  Keys('Z', true);
  EXPECT_EQ(Differ(one), 0) << "the steps before the clear undo as before";

  // None of these keys (nor save and copy, nor the modifiers alone) ends
  // the show's ownership; any other key does, and Esc closes.
  Keys('S', true);
  Keys('C', true);
  EXPECT_TRUE(p().OverlayVisible);
  EXPECT_TRUE(overlay().Visible());
  Keys('A', false);
  EXPECT_FALSE(p().OverlayVisible);
  EXPECT_TRUE(overlay().Visible());
  Close();
  EXPECT_FALSE(overlay().Visible());
  EXPECT_EQ(overlay().History.Bytes(), 0u) << "the show's steps go with it";
}

INSTANTIATE_TEST_SUITE_P(Tools, UndoTest, ::testing::ValuesIn(kTools),
                         [](const auto& info) { return std::string(info.param.name); });

// 200 lenses of 400 pixels (the smallest lens at 133 %) at 4K would hold
// about 125 MiB: the oldest go so that 64 MiB is never passed, and the
// newest still undo exactly.
TEST(UndoHistoryTest, TwoHundredLargeStepsAt4KStayWithinTheBudget) {
  constexpr int w = 3840, h = 2160, s = 400;
  gui::Bitmap layer(w, h, gui::kWhite);
  UndoHistory history;
  history.Reset(w, h);
  for (int i = 0; i < 200; ++i) {
    const int x = (i * 173) % (w - s), y = (i * 97) % (h - s);
    history.Touch(layer, {x, y, x + s, y + s});
    // Only the last lens is drawn: the others' pixels do not matter here.
    if (i == 199) gui::raster::FillRect(layer, {x, y, x + s, y + s}, gui::kRed);
    history.EndStep();
    ASSERT_LE(history.Bytes(), UndoHistory::kBudgetBytes) << i;
  }
  EXPECT_GE(history.UndoSteps(), 90u);
  std::vector<gui::IRect> changed;
  ASSERT_TRUE(history.Undo(layer, changed));
  EXPECT_EQ(layer, gui::Bitmap(w, h, gui::kWhite));
}

}  // namespace
