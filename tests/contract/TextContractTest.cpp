// Text through the system's font engine, as the countdown labels draw it:
// what the box of a text is, and that drawing puts only the text colour,
// only inside that box, and leaves every other pixel as it was. Glyph shapes
// differ between the systems (the simulated one has a face of its own), so
// nothing here looks at where inside the box the ink falls.
#include <gtest/gtest.h>

#include <memory>

#include "tests/contract/ContractPlatform.h"

namespace {

using namespace platform;

constexpr gui::Color kInk = gui::Rgb(0x80, 0xFF, 0x80);
constexpr gui::Color kPaperA = gui::Rgb(0x80, 0x00, 0x00);
constexpr gui::Color kPaperB = gui::Rgb(0x00, 0x00, 0x80);

const TextFont kTimes64{"Times New Roman", 64};
const TextFont kTimes48{"Times New Roman", 48};

// A checkerboard of two colours, neither of them the ink, so a background
// painted behind the text would show.
gui::Bitmap Paper(int w, int h) {
  gui::Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, ((x + y) & 1) ? kPaperA : kPaperB);
  return b;
}

class TextContract : public ::testing::Test {
 protected:
  void SetUp() override { p = MakeContractPlatform(); }
  TextExtent Measure(const TextFont& f, std::string_view text) {
    TextExtent e{-1, -1};
    EXPECT_TRUE(p->MeasureString(f, text, &e)) << text;
    return e;
  }
  std::unique_ptr<Platform> p;
};

TEST_F(TextContract, TheBoxIsTheCellHeightAndTheAdvanceOfTheCharacters) {
  const TextExtent empty = Measure(kTimes64, "");
  const TextExtent one = Measure(kTimes64, "8");
  const TextExtent two = Measure(kTimes64, "88");
  // No characters, no box: not even the cell's height.
  EXPECT_EQ(empty, (TextExtent{0, 0}));
  // The cell holds the character height and an internal leading above it.
  EXPECT_GE(one.height, 64);
  EXPECT_LT(one.height, 2 * 64);
  EXPECT_EQ(two.height, one.height);
  EXPECT_GT(one.width, 0);
  // Digits have no kerning in a measured extent: two are twice one.
  EXPECT_EQ(two.width, 2 * one.width);
  // A smaller height makes a smaller box.
  const TextExtent small = Measure(kTimes48, "8");
  EXPECT_LT(small.height, one.height);
  EXPECT_LE(small.width, one.width);
  EXPECT_GE(small.height, 48);
}

TEST_F(TextContract, AFaceThatIsNotInstalledStillMeasuresThroughASubstitute) {
  const TextExtent e = Measure({"No Such Face Anywhere", 20}, "59");
  EXPECT_GT(e.width, 0);
  EXPECT_GE(e.height, 20);
}

TEST_F(TextContract, CharacterHeightsOutsideTheRangeAreRefused) {
  TextExtent e{7, 7};
  for (std::int32_t h : {0, -64, kMaxCharHeight + 1}) {
    EXPECT_FALSE(p->MeasureString({"Times New Roman", h}, "8", &e)) << h;
    gui::Bitmap b = Paper(16, 16);
    const gui::Bitmap before = b;
    EXPECT_FALSE(p->DrawString(b, 0, 0, {"Times New Roman", h}, "8", kInk)) << h;
    EXPECT_EQ(b, before) << h;
  }
  EXPECT_EQ(e, (TextExtent{7, 7}));
  EXPECT_FALSE(p->MeasureString(kTimes64, "8", nullptr));
}

TEST_F(TextContract, DrawingPutsOnlyTheInkColourInsideTheBoxOnATransparentBackground) {
  const TextExtent box = Measure(kTimes64, "59");
  const int x0 = 7, y0 = 5;
  gui::Bitmap b = Paper(box.width + 20, box.height + 12);
  const gui::Bitmap before = b;
  ASSERT_TRUE(p->DrawString(b, x0, y0, kTimes64, "59", kInk));
  int inked = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      if (b.Pixel(x, y) == before.Pixel(x, y)) continue;
      ++inked;
      EXPECT_EQ(b.Pixel(x, y), kInk) << x << "," << y;
      EXPECT_TRUE((gui::IRect{x0, y0, x0 + box.width, y0 + box.height}.Contains(x, y)))
          << x << "," << y;
    }
  // Real glyphs: a fair share of the box, far from all of it.
  EXPECT_GT(inked, box.width * box.height / 20);
  EXPECT_LT(inked, box.width * box.height / 2);

  // The same text drawn again in the same place changes nothing more.
  const gui::Bitmap once = b;
  ASSERT_TRUE(p->DrawString(b, x0, y0, kTimes64, "59", kInk));
  EXPECT_EQ(b, once);
}

TEST_F(TextContract, TextCutByTheBitmapsEdgesKeepsItsPlace) {
  const TextExtent box = Measure(kTimes48, ":");
  gui::Bitmap whole = Paper(box.width + 40, box.height + 40);
  ASSERT_TRUE(p->DrawString(whole, 20, 20, kTimes48, "8:8", kInk));
  // The same text drawn into a window on that bitmap, standing partly off
  // every edge, shows exactly the part of the whole picture it covers.
  for (auto [cx, cy] : {std::pair{-13, -17}, std::pair{9, 11}, std::pair{25, 30}}) {
    gui::Bitmap part = Paper(box.width, box.height);
    ASSERT_TRUE(p->DrawString(part, 20 - cx, 20 - cy, kTimes48, "8:8", kInk));
    for (int y = 0; y < part.Height(); ++y)
      for (int x = 0; x < part.Width(); ++x) {
        const int wx = x + cx, wy = y + cy;
        if (wx < 0 || wy < 0) continue;
        ASSERT_EQ(part.Pixel(x, y) == kInk, whole.Pixel(wx, wy) == kInk)
            << cx << "," << cy << " at " << x << "," << y;
      }
  }
  // Far outside: nothing happens, and nothing fails.
  gui::Bitmap small = Paper(8, 8);
  const gui::Bitmap before = small;
  EXPECT_TRUE(p->DrawString(small, 100000, -100000, kTimes48, "8", kInk));
  EXPECT_TRUE(p->DrawString(small, -2000000000, 5, kTimes48, "88888888", kInk));
  EXPECT_EQ(small, before);
}

}  // namespace
