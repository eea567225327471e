// The text operation's bold weight: the same cell as the regular weight,
// at least as wide, and heavier strokes (more ink for the same text), every
// pixel of it still in the text colour and inside the text's box.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/contract/ContractPlatform.h"

namespace {

using namespace platform;

constexpr gui::Color kInk = gui::Rgb(0x10, 0x20, 0xF0);
constexpr gui::Color kPaper = gui::Rgb(0xF0, 0xF0, 0xE0);

TextFont Face(std::int32_t height, std::int32_t weight) {
  return {"Times New Roman", height, weight};
}

class BoldTextContract : public ::testing::Test {
 protected:
  void SetUp() override { p = MakeContractPlatform(); }

  // The ink of text drawn at (2, 2) on plain paper, and whether every inked
  // pixel lies inside the text's box.
  struct Drawn {
    TextExtent box;
    long ink = 0;
    bool inside = true;
  };
  Drawn Draw(const TextFont& f, std::string_view text) {
    Drawn d;
    EXPECT_TRUE(p->MeasureString(f, text, &d.box));
    gui::Bitmap b(d.box.width + 8, d.box.height + 8, kPaper);
    EXPECT_TRUE(p->DrawString(b, 2, 2, f, text, kInk));
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        const gui::Color c = b.Pixel(x, y);
        if (c == kPaper) continue;
        EXPECT_EQ(c, kInk) << x << "," << y;
        ++d.ink;
        if (x < 2 || y < 2 || x >= 2 + d.box.width || y >= 2 + d.box.height) d.inside = false;
      }
    return d;
  }

  std::unique_ptr<Platform> p;
};

TEST_F(BoldTextContract, BoldKeepsTheCellAndWidensTheStrokes) {
  for (std::int32_t height : {13, 19, 48}) {
    const Drawn regular = Draw(Face(height, kFwNormal), "HOLD 10");
    const Drawn bold = Draw(Face(height, kFwBold), "HOLD 10");
    EXPECT_EQ(bold.box.height, regular.box.height) << height;
    EXPECT_GE(bold.box.width, regular.box.width) << height;
    EXPECT_GT(bold.ink, regular.ink) << height << ": heavier strokes";
    EXPECT_TRUE(bold.inside) << height;
    EXPECT_TRUE(regular.inside) << height;
  }
}

TEST_F(BoldTextContract, ALastLettersInkStaysInTheBoxAtEitherWeight) {
  // Letters whose strokes reach past their advance in a bold face.
  for (const char* text : {"Default", "Cancel", "OK", "Tavrin Settings"})
    for (std::int32_t weight : {kFwNormal, kFwBold}) {
      const Drawn d = Draw(Face(13, weight), text);
      EXPECT_TRUE(d.inside) << text << " at weight " << weight;
      EXPECT_GT(d.ink, 0) << text;
      // Nothing of the last letter is cut at the box's edge: a blank after
      // it adds no ink.
      EXPECT_EQ(Draw(Face(13, weight), std::string(text) + " ").ink, d.ink)
          << text << " at weight " << weight;
    }
}

TEST_F(BoldTextContract, TheRegularWeightIsTheDefault) {
  const TextFont plain{"Times New Roman", 19};
  const Drawn a = Draw(plain, "Tavrin");
  const Drawn b = Draw(Face(19, kFwNormal), "Tavrin");
  EXPECT_EQ(a.box, b.box);
  EXPECT_EQ(a.ink, b.ink);
}

}  // namespace
