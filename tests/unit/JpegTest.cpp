#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gui/Jpeg.h"
#include "resources/artwork/DialogArt.h"

// After the standard headers: it expects size_t and FILE to be declared.
#include <jpeglib.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes TitleBytes() {
  const auto span = artwork::EffectTableTitleJpeg();
  return Bytes(span.begin(), span.end());
}

// Test pictures made with libjpeg's compressor: `components` 1 (greyscale),
// 3 (RGB in, YCbCr stored) or 4 (CMYK), optionally progressive.
Bytes Encode(int width, int height, int components, bool progressive = false) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * components);
  for (int y = 0; y < height; ++y) {
    // Left half dark, right half light, so the halves stay apart after compression.
    for (int x = 0; x < width; ++x)
      for (int k = 0; k < components; ++k)
        row[static_cast<std::size_t>(x) * components + k] = x < width / 2 ? 40 : 220;
    if (components == 3)
      for (int x = 0; x < width; ++x) row[static_cast<std::size_t>(x) * 3 + 2] = 90;
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  Bytes bytes(buffer, buffer + size);
  jpeg_destroy_compress(&c);
  std::free(buffer);
  return bytes;
}

// Where a marker segment (0xFF `marker`) starts, or npos.
std::size_t FindMarker(const Bytes& b, std::uint8_t marker) {
  for (std::size_t i = 0; i + 1 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == marker) return i;
  return std::string::npos;
}

// The frame header's height and width fields.
void SetSize(Bytes& b, unsigned width, unsigned height) {
  const std::size_t sof =
      FindMarker(b, 0xC0) != std::string::npos ? FindMarker(b, 0xC0) : FindMarker(b, 0xC2);
  ASSERT_NE(sof, std::string::npos);
  b[sof + 5] = static_cast<std::uint8_t>(height >> 8);
  b[sof + 6] = static_cast<std::uint8_t>(height);
  b[sof + 7] = static_cast<std::uint8_t>(width >> 8);
  b[sof + 8] = static_cast<std::uint8_t>(width);
}

int Difference(gui::Color a, gui::Color b) {
  return std::abs(int(gui::RedOf(a)) - int(gui::RedOf(b))) +
         std::abs(int(gui::GreenOf(a)) - int(gui::GreenOf(b))) +
         std::abs(int(gui::BlueOf(a)) - int(gui::BlueOf(b)));
}

// --- Good pictures -----------------------------------------------------------

TEST(Jpeg, EmbeddedTitleDecodesToTheDrawingAtItsSize) {
  std::string why;
  const auto title = gui::DecodeJpeg(artwork::EffectTableTitleJpeg(), &why);
  ASSERT_TRUE(title) << why;
  ASSERT_EQ(title->Width(), artwork::kEffectTableTitleWidth);
  ASSERT_EQ(title->Height(), artwork::kEffectTableTitleHeight);
  // Close to the picture as drawn: the committed bytes are the current drawing,
  // re-encoded by scripts/make-artwork.sh after every change to it.
  const gui::Bitmap drawn = artwork::EffectTableTitle();
  long total = 0;
  int worst = 0;
  for (int y = 0; y < drawn.Height(); ++y)
    for (int x = 0; x < drawn.Width(); ++x) {
      const int d = Difference(title->Pixel(x, y), drawn.Pixel(x, y));
      total += d;
      worst = std::max(worst, d);
    }
  EXPECT_LT(double(total) / (drawn.Width() * drawn.Height()), 12.0);
  EXPECT_LT(worst, 3 * 90) << worst;
}

TEST(Jpeg, GreyscaleColourAndProgressivePicturesDecode) {
  for (const auto& [components, progressive] :
       {std::pair{1, false}, std::pair{3, false}, std::pair{3, true}, std::pair{1, true}}) {
    SCOPED_TRACE(testing::Message() << components << " components, progressive " << progressive);
    std::string why;
    const auto pic = gui::DecodeJpeg(Encode(37, 21, components, progressive), &why);
    ASSERT_TRUE(pic) << why;
    EXPECT_EQ(pic->Width(), 37);
    EXPECT_EQ(pic->Height(), 21);
    const gui::Color dark = pic->Pixel(3, 10);
    const gui::Color light = pic->Pixel(33, 10);
    EXPECT_LT(Difference(dark, components == 1 ? gui::Rgb(40, 40, 40) : gui::Rgb(40, 40, 90)), 12);
    EXPECT_LT(Difference(light, components == 1 ? gui::Rgb(220, 220, 220) : gui::Rgb(220, 220, 90)),
              12);
    if (components == 1) {  // grey stays grey
      EXPECT_EQ(gui::RedOf(dark), gui::GreenOf(dark));
      EXPECT_EQ(gui::RedOf(dark), gui::BlueOf(dark));
    }
  }
}

TEST(Jpeg, SidesUpToTheLimitDecodeAndOneMoreIsRefusedBeforeDecoding) {
  EXPECT_TRUE(gui::DecodeJpeg(Encode(1, 1, 3)));
  const auto wide = gui::DecodeJpeg(Encode(gui::kMaxJpegSide, 1, 1));
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->Width(), gui::kMaxJpegSide);
  std::string why;
  EXPECT_FALSE(gui::DecodeJpeg(Encode(gui::kMaxJpegSide + 1, 1, 1), &why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(gui::DecodeJpeg(Encode(1, gui::kMaxJpegSide + 1, 1)));

  // A header that claims a huge picture is refused without allocating it.
  Bytes huge = Encode(8, 8, 3);
  SetSize(huge, 30000, 30000);
  EXPECT_FALSE(gui::DecodeJpeg(huge, &why));
  EXPECT_NE(why.find("larger"), std::string::npos) << why;
}

// --- Bad pictures --------------------------------------------------------------

TEST(Jpeg, WhatIsNoJpegAtAllIsRefusedWithAReason) {
  const std::vector<Bytes> cases = {
      {},                                     // nothing
      {0xFF},                                 // half a marker
      {0xFF, 0xD8},                           // the start marker alone
      {0xFF, 0xD8, 0xFF, 0xD9},               // start and end, no frame
      {0x89, 'P', 'N', 'G', 13, 10, 26, 10},  // another format's signature
      Bytes(3000, 0x00),
      Bytes(3000, 0xFF),
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    std::string why;
    EXPECT_FALSE(gui::DecodeJpeg(cases[i], &why)) << i;
    EXPECT_FALSE(why.empty()) << i;
  }
  // A CMYK picture is whole, but not one this program can show.
  std::string why;
  EXPECT_FALSE(gui::DecodeJpeg(Encode(16, 16, 4), &why));
  EXPECT_NE(why.find("colour space"), std::string::npos) << why;
}

TEST(Jpeg, PictureCutShortAnywhereIsRefusedNotFilledWithGrey) {
  const Bytes whole = TitleBytes();
  // Every cut through the headers, then cuts through the coded data.
  std::vector<std::size_t> cuts;
  const std::size_t scan = FindMarker(whole, 0xDA);
  ASSERT_NE(scan, std::string::npos);
  for (std::size_t n = 0; n < scan + 40; ++n) cuts.push_back(n);
  for (std::size_t n = scan + 40; n + 2 < whole.size(); n += 53) cuts.push_back(n);
  cuts.push_back(whole.size() - 2);  // all but the end marker
  for (std::size_t n : cuts) {
    const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    std::string why;
    ASSERT_FALSE(gui::DecodeJpeg(part, &why)) << "cut at " << n;
    ASSERT_FALSE(why.empty()) << n;
  }
}

TEST(Jpeg, DamagedTablesAndMarkersAreRefused) {
  const Bytes whole = TitleBytes();
  const auto damaged = [&](std::uint8_t marker, std::size_t offset, std::uint8_t value) {
    Bytes b = whole;
    const std::size_t at = FindMarker(b, marker);
    EXPECT_NE(at, std::string::npos) << int(marker);
    if (at != std::string::npos) b[at + offset] = value;
    return b;
  };
  struct Case {
    const char* what;
    Bytes bytes;
  };
  const Case cases[] = {
      {"no start marker", damaged(0xD8, 1, 0x00)},
      {"frame with no width",
       [&] {
         Bytes b = whole;
         SetSize(b, 0, 39);
         return b;
       }()},
      {"frame segment length past the data", damaged(0xC0, 2, 0xFF)},
      {"quantisation table of an unknown precision", damaged(0xDB, 4, 0x70)},
      {"Huffman table with more codes than fit", damaged(0xC4, 5, 0xFF)},
      {"scan naming a component the frame lacks", damaged(0xDA, 5, 0x09)},
      {"marker in the middle of the coded data",
       [&] {
         Bytes b = whole;
         const std::size_t mid = FindMarker(b, 0xDA) + 200;
         b[mid] = 0xFF;
         b[mid + 1] = 0xD8;
         return b;
       }()},
  };
  for (const Case& c : cases) {
    std::string why;
    EXPECT_FALSE(gui::DecodeJpeg(c.bytes, &why)) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
  }
}

TEST(Jpeg, ScrambledCodedDataNeverEndsTheProgram) {
  // Damage inside the coded data is not always detectable: what comes back is
  // either nothing or a picture of the size the header says.
  const Bytes whole = TitleBytes();
  const std::size_t scan = FindMarker(whole, 0xDA) + 20;
  unsigned seed = 12345;
  int refused = 0;
  for (int round = 0; round < 200; ++round) {
    Bytes b = whole;
    for (int k = 0; k < 1 + round % 7; ++k) {
      seed = seed * 1103515245u + 12345u;
      const std::size_t at = scan + (seed >> 8) % (whole.size() - scan - 2);
      b[at] = static_cast<std::uint8_t>(seed >> 24);
    }
    const auto pic = gui::DecodeJpeg(b);
    if (!pic) {
      ++refused;
      continue;
    }
    ASSERT_EQ(pic->Width(), artwork::kEffectTableTitleWidth) << round;
    ASSERT_EQ(pic->Height(), artwork::kEffectTableTitleHeight) << round;
  }
  EXPECT_GT(refused, 100);  // most damage is noticed
}

TEST(Jpeg, DecodingGoesOnAfterEveryKindOfFailure) {
  // One after another in the same process: good, damaged, good, cut short,
  // good, too large, good. Each failure leaves nothing behind that the next
  // decode would trip over.
  const Bytes good = TitleBytes();
  Bytes damaged = good;
  const std::size_t table = FindMarker(damaged, 0xC4);
  ASSERT_LT(table + 5, damaged.size());
  damaged[table + 5] = 0xFF;
  const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
  Bytes large = good;
  SetSize(large, 20000, 39);

  const auto first = gui::DecodeJpeg(good);
  ASSERT_TRUE(first);
  for (int round = 0; round < 3; ++round) {
    for (const Bytes* bad : std::vector<const Bytes*>{&damaged, &cut, &large}) {
      EXPECT_FALSE(gui::DecodeJpeg(*bad));
      const auto again = gui::DecodeJpeg(good);
      ASSERT_TRUE(again);
      EXPECT_EQ(*again, *first);
    }
  }
}

}  // namespace
