// The Mark tool and its stamps: the three red marks of 32 by 32, stamped
// with their top-left corner at the click on the window only, the choice's
// cycle and its guard, and the cursor files with the hot spot at the corner.
#include <gtest/gtest.h>

#include <climits>

#include "effects/Dispatcher.h"
#include "effects/tools/Mark.h"
#include "resources/artwork/MarkStamps.h"
#include "tests/support/OverlayDriver.h"

namespace {

using namespace testing_support;

constexpr int kW = 64, kH = 48;
constexpr unsigned kMarkCode = 0;

gui::Color Wall(int x, int y) { return gui::Rgb(x * 3, y * 5, 0x40); }

TEST(MarkStampTest, ThreeRedMarksOnATransparentSquare) {
  for (int i = 0; i < artwork::kMarkCount; ++i) {
    const gui::MaskedImage m = artwork::MarkStamp(i);
    ASSERT_EQ(m.color.Width(), 32);
    ASSERT_EQ(m.color.Height(), 32);
    int opaque = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        if (!m.Transparent(x, y)) {
          ++opaque;
          EXPECT_EQ(m.color.Pixel(x, y), gui::kRed) << i << " " << x << "," << y;
        }
    EXPECT_GT(opaque, 60) << i;
    EXPECT_TRUE(m.Transparent(0, 0)) << i;
    EXPECT_TRUE(m.Transparent(31, 31)) << i;
  }
  const gui::MaskedImage check = artwork::MarkStamp(0), cross = artwork::MarkStamp(1),
                         circle = artwork::MarkStamp(2);
  EXPECT_FALSE(check.Transparent(12, 24)) << "the tick's low vertex";
  EXPECT_TRUE(check.Transparent(6, 8));
  EXPECT_FALSE(cross.Transparent(16, 16)) << "where the strokes cross";
  EXPECT_TRUE(cross.Transparent(16, 5));
  EXPECT_TRUE(circle.Transparent(16, 16)) << "the ring's middle";
  EXPECT_FALSE(circle.Transparent(16, 5));
  EXPECT_FALSE(circle.Transparent(5, 16));
  EXPECT_TRUE(artwork::MarkStamp(3).color.Empty());
  EXPECT_TRUE(artwork::MarkStamp(-1).color.Empty());
}

TEST(MarkStampTest, CursorFilesAreCursorsWithTheHotSpotAtTheTopLeft) {
  for (int i = 0; i < artwork::kMarkCount; ++i) {
    const std::vector<std::uint8_t> f = artwork::MarkCursorFile(i);
    ASSERT_GT(f.size(), 22u) << i;
    EXPECT_EQ(f[2] | f[3] << 8, 2) << "type: cursor";
    EXPECT_EQ(f[4] | f[5] << 8, 1) << "one picture";
    EXPECT_EQ(f[6], 32);
    EXPECT_EQ(f[7], 32);
    EXPECT_EQ(f[10] | f[11] << 8, 0) << "hot spot x";
    EXPECT_EQ(f[12] | f[13] << 8, 0) << "hot spot y";
    const std::uint32_t size = f[14] | f[15] << 8 | f[16] << 16 | std::uint32_t{f[17]} << 24;
    const std::uint32_t offset = f[18] | f[19] << 8 | f[20] << 16 | std::uint32_t{f[21]} << 24;
    EXPECT_EQ(offset, 22u);
    EXPECT_EQ(offset + size, f.size());
  }
  EXPECT_TRUE(artwork::MarkCursorFile(3).empty());
}

class MarkTest : public ::testing::Test, protected OverlayDriver {
 protected:
  MarkTest() : OverlayDriver(kW, kH) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) sys.Wallpaper().SetPixel(x, y, Wall(x, y));
  }
  void Open() { OverlayDriver::Open(kMarkCode, 1, 1); }
  void Click(int x, int y, bool right = false) { h.Click(overlay().Handle(), x, y, right); }
  // Whether the shown screen is the wallpaper with stamp at (x, y) and
  // nothing else.
  ::testing::AssertionResult ShowsStampAt(int stamp, int x0, int y0) {
    const gui::MaskedImage m = artwork::MarkStamp(stamp);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const bool in = x >= x0 && y >= y0 && x < x0 + 32 && y < y0 + 32;
        const gui::Color want = in && !m.Transparent(x - x0, y - y0) ? gui::kRed : Wall(x, y);
        if (Shown().Pixel(x, y) != want)
          return ::testing::AssertionFailure() << "pixel " << x << "," << y;
      }
    return ::testing::AssertionSuccess();
  }
};

TEST_F(MarkTest, LeftClickStampsTheChosenMarkWithItsCornerAtTheClick) {
  p().Settings.MarkChoice = 2;
  Open();
  Click(10, 8);
  EXPECT_TRUE(ShowsStampAt(2, 10, 8));
  // Stamps live on the window only: a repaint shows the clean picture.
  overlay().Invalidate();
  h.app.ProcessMessages();
  EXPECT_TRUE(ShowsStampAt(2, 100, 100));
  // Cut at the screen's edge.
  Click(50, 30);
  EXPECT_TRUE(ShowsStampAt(2, 50, 30));
}

TEST_F(MarkTest, RightClicksCycleTheMarksAndTheStampFollows) {
  p().Settings.MarkChoice = 0;
  Open();
  const int next[] = {1, 2, 0, 1};
  for (int choice : next) {
    Click(20, 10, true);
    EXPECT_EQ(p().Settings.MarkChoice, choice);
    EXPECT_EQ(overlay().Image_Draw.cursor, gui::kCrDefault) << "no cursor files: the arrow";
    overlay().Invalidate();
    h.app.ProcessMessages();
    Click(20, 10);
    EXPECT_TRUE(ShowsStampAt(choice, 20, 10)) << choice;
  }
}

TEST_F(MarkTest, RightClickLoadsTheMarksCursorFileWithItsHotSpotAtTheCorner) {
  for (int i = 0; i < artwork::kMarkCount; ++i)
    sys.AddFile(artwork::kMarkCursorFiles[static_cast<std::size_t>(i)], artwork::MarkCursorFile(i));
  sys.AddFile("broken.ico", {0, 0, 2, 0, 1, 0, 32});
  p().Settings.MarkChoice = 2;
  Open();
  Click(20, 10, true);
  EXPECT_EQ(p().Settings.MarkChoice, 0);
  EXPECT_EQ(overlay().Image_Draw.cursor, gui::kCrCross);
  const platform::HCursor ok = overlay().markCursors[0];
  const SimSystem::SimCursor* c = sys.LoadedCursor(ok);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->width, 32);
  EXPECT_EQ(c->height, 32);
  EXPECT_EQ(c->hotSpot, (platform::Point{0, 0}));
  Click(20, 10, true);
  Click(20, 10, true);
  Click(20, 10, true);
  EXPECT_EQ(overlay().markCursors[0], ok) << "loaded once a run";
  EXPECT_NE(overlay().markCursors[1], 0u);
  EXPECT_NE(overlay().markCursors[2], 0u);

  // The system's loader: missing and damaged files give no cursor, and an
  // icon file loaded as a cursor has its hot spot in the middle.
  EXPECT_EQ(h.process->LoadCursorFromFileA("nothere.ico"), 0u);
  EXPECT_EQ(h.process->LoadCursorFromFileA("broken.ico"), 0u);
  std::vector<std::uint8_t> icon = artwork::MarkCursorFile(1);
  icon[2] = 1;
  sys.AddFile("icon.ico", icon);
  const SimSystem::SimCursor* fromIcon =
      sys.LoadedCursor(h.process->LoadCursorFromFileA("icon.ico"));
  ASSERT_NE(fromIcon, nullptr);
  EXPECT_EQ(fromIcon->hotSpot, (platform::Point{16, 16}));
}

TEST_F(MarkTest, CursorFilesAreLookedUpInTheWorkingDirectoryThenBesideTheProgram) {
  sys.SetProgramPath("D:\\Apps\\Tavrin\\tavrin.exe");
  sys.AddFile("D:\\Apps\\Tavrin\\Ok.ico", artwork::MarkCursorFile(0));
  sys.AddFile("D:\\Apps\\Tavrin\\Wrong.ico", artwork::MarkCursorFile(1));
  // The working directory's copy wins: here an icon file, hot spot in the middle.
  std::vector<std::uint8_t> local = artwork::MarkCursorFile(1);
  local[2] = 1;
  sys.AddFile("Wrong.ico", local);
  p().Settings.MarkChoice = 0;
  Open();  // the show loads the chosen mark's cursor
  const SimSystem::SimCursor* ok = sys.LoadedCursor(overlay().markCursors[0]);
  ASSERT_NE(ok, nullptr) << "found beside the program";
  EXPECT_EQ(ok->hotSpot, (platform::Point{0, 0}));
  Click(5, 5, true);
  const SimSystem::SimCursor* wrong = sys.LoadedCursor(overlay().markCursors[1]);
  ASSERT_NE(wrong, nullptr);
  EXPECT_EQ(wrong->hotSpot, (platform::Point{16, 16})) << "the working directory's file";
  Click(5, 5, true);
  EXPECT_EQ(overlay().markCursors[2], 0u) << "in neither place";
  EXPECT_EQ(overlay().Image_Draw.cursor, gui::kCrDefault);
}

TEST_F(MarkTest, StoredChoiceOutsideTheMarksStampsNothingAndRisesWithoutWrapping) {
  p().Settings.MarkChoice = 5;
  Open();
  Click(10, 10);
  EXPECT_TRUE(ShowsStampAt(0, 100, 100));
  Click(10, 10, true);
  EXPECT_EQ(p().Settings.MarkChoice, 6);
  EXPECT_EQ(overlay().Image_Draw.cursor, gui::kCrDefault);
  p().Settings.MarkChoice = INT32_MAX;
  Click(10, 10, true);
  EXPECT_EQ(p().Settings.MarkChoice, INT32_MAX);
  p().Settings.MarkChoice = -1;
  Click(10, 10, true);
  EXPECT_EQ(p().Settings.MarkChoice, 0) << "-1 plus one is the first mark";
  Click(10, 10);
  EXPECT_TRUE(ShowsStampAt(0, 10, 10));
}

TEST_F(MarkTest, ObjectCountsStayFlatOverShowsAndStamps) {
  Open();
  h.PressKey(gui::kVkEscape);
  RunFor(10);
  const int dcs = h.process->DcCount(), objects = h.process->GdiObjectCount();
  for (int show = 0; show < 10; ++show) {
    Open();
    for (int i = 0; i < 20; ++i) Click((i * 9) % kW, (i * 5) % kH, i % 5 == 0);
    h.PressKey(gui::kVkEscape);
    RunFor(10);
    EXPECT_EQ(h.process->DcCount(), dcs);
    EXPECT_EQ(h.process->GdiObjectCount(), objects);
  }
}

}  // namespace
