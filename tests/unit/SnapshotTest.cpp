// Ctrl+S and Ctrl+C on the overlay: the picture it shows, mark and all, as a
// PNG file in the user's pictures and as a bitmap on the clipboard, read back
// as other programs read them; the balloon that says where, or why not.
#include <gtest/gtest.h>
#include <png.h>

#include "app/Main.h"
#include "tests/support/OverlayDriver.h"

namespace {

using namespace testing_support;

constexpr int kW = 64, kH = 48;
constexpr unsigned kMarkCode = 0;
// A user whose name is outside any single-byte code page.
constexpr char kUserPictures[] = "C:\\Users\\Ольга\\Pictures";
constexpr char kFolder[] = "C:\\Users\\Ольга\\Pictures\\Tavrin";

// A PNG file as any reader sees it: its pixels, or an empty bitmap.
gui::Bitmap ReadPng(const std::vector<std::uint8_t>& bytes) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
  gui::Bitmap out(static_cast<int>(image.width), static_cast<int>(image.height));
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x) {
      const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
      out.SetPixel(x, y, gui::Rgb(p[0], p[1], p[2]));
    }
  return out;
}

// A packed DIB as a program that pastes reads it: 24 or 32 bits, bottom-up
// for a positive height.
gui::Bitmap ReadDib(const std::vector<std::uint8_t>& dib) {
  const auto u32 = [&](std::size_t at) {
    return dib[at] | dib[at + 1] << 8 | dib[at + 2] << 16 | std::uint32_t{dib[at + 3]} << 24;
  };
  if (dib.size() < 40 || u32(0) < 40 || u32(16) != 0) return {};
  const int width = static_cast<int>(u32(4));
  const int height = static_cast<int>(u32(8));
  const int bits = dib[14] | dib[15] << 8;
  if (width <= 0 || height == 0 || (bits != 24 && bits != 32)) return {};
  const int rows = height < 0 ? -height : height;
  const std::size_t stride = (static_cast<std::size_t>(width) * bits / 8 + 3) & ~std::size_t{3};
  if (dib.size() < u32(0) + stride * rows) return {};
  gui::Bitmap out(width, rows);
  for (int y = 0; y < rows; ++y) {
    const std::size_t row = height > 0 ? rows - 1 - y : y;
    const std::uint8_t* p = &dib[u32(0) + row * stride];
    for (int x = 0; x < width; ++x, p += bits / 8) out.SetPixel(x, y, gui::Rgb(p[2], p[1], p[0]));
  }
  return out;
}

class SnapshotTest : public ::testing::Test, protected OverlayDriver {
 protected:
  SnapshotTest() : OverlayDriver(kW, kH) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) sys.Wallpaper().SetPixel(x, y, gui::Rgb(x * 3, y * 5, 0x40));
    sys.AddDirectory("C:\\Users\\Ольга");
    sys.SetKnownFolder(platform::kFolderIdPictures, kUserPictures);
  }
  // The overlay open with a mark stamped at (20, 10).
  void OpenWithMark() {
    OverlayDriver::Open(kMarkCode, 1, 1);
    h.Click(overlay().Handle(), 20, 10);
    ASSERT_EQ(Shown().Pixel(32, 34), gui::kRed) << "the check mark's low vertex is drawn";
  }
  void Key(char letter) { h.PressKey(static_cast<std::uint8_t>(letter), true); }
  const platform::memory::TrayIcon& Tray() { return sys.TrayIcons().at(0); }
  // The overlay as it was: shown, counted as the dispatcher's, same pixels.
  void ExpectUnchanged(const gui::Bitmap& before) {
    EXPECT_TRUE(overlay().Visible());
    EXPECT_TRUE(p().OverlayVisible);
    EXPECT_TRUE(Shown() == before);
  }
};

TEST_F(SnapshotTest, CtrlSWritesWhatShowsAsANewPngEachTimeAndTheBalloonOpensTheFolder) {
  OpenWithMark();
  const gui::Bitmap shown = Shown();
  sys.SetLocalTime({2027, 1, 2, 5, 9, 7, 3, 400});  // single digits are padded
  Key('S');
  ExpectUnchanged(shown);
  const std::string first = "Tavrin 2027-01-05 09-07-03.png";
  ASSERT_EQ(sys.FilesIn(kFolder), std::vector<std::string>{first}) << "the folder was made";
  EXPECT_TRUE(ReadPng(*sys.FileBytes(std::string(kFolder) + "\\" + first)) == shown)
      << "the frozen picture with the mark, at the monitor's pixels";

  EXPECT_TRUE(Tray().balloonShown);
  EXPECT_EQ(Tray().balloonFlags, platform::kNiifInfo);
  EXPECT_NE(Tray().balloonText.find(first), std::string::npos) << Tray().balloonText;
  EXPECT_NE(Tray().balloonText.find(kFolder), std::string::npos) << "the path in UTF-8, whole";

  // The same second again, twice, then the next second: never over a file.
  Key('S');
  Key('S');
  RunFor(600);
  Key('S');
  EXPECT_EQ(sys.FilesIn(kFolder),
            (std::vector<std::string>{"Tavrin 2027-01-05 09-07-03 (2).png",
                                      "Tavrin 2027-01-05 09-07-03 (3).png", first,
                                      "Tavrin 2027-01-05 09-07-04.png"}));

  ASSERT_TRUE(sys.ClickTrayBalloon(h.Main().Handle(), kTrayIconId));
  h.app.ProcessMessages();
  ASSERT_FALSE(sys.ShellExecutes().empty());
  EXPECT_EQ(sys.ShellExecutes().back().verb, "open");
  EXPECT_EQ(sys.ShellExecutes().back().file, kFolder);
  ExpectUnchanged(shown);
}

TEST_F(SnapshotTest, AFailedSaveSaysWhyInTheBalloonAndLeavesNoFileAndTheOverlayAsItWas) {
  OpenWithMark();
  const gui::Bitmap shown = Shown();
  const auto failsWith = [&](const std::string& words) {
    Key('S');
    ExpectUnchanged(shown);
    EXPECT_TRUE(sys.FilesIn(kFolder).empty());
    EXPECT_EQ(Tray().balloonTitle, "The picture was not saved");
    EXPECT_EQ(Tray().balloonFlags, platform::kNiifError);
    EXPECT_NE(Tray().balloonText.find(words), std::string::npos) << Tray().balloonText;
    // A click on a failure's balloon opens nothing.
    const std::size_t opened = sys.ShellExecutes().size();
    sys.ClickTrayBalloon(h.Main().Handle(), kTrayIconId);
    h.app.ProcessMessages();
    EXPECT_EQ(sys.ShellExecutes().size(), opened);
  };

  sys.SetDiskFree(100);
  failsWith("disk is full");
  EXPECT_TRUE(sys.DirectoryExists(kFolder));

  sys.RemoveDirectory(kFolder);
  sys.FailCreateDirectory(kFolder, platform::error::kAccessDenied);
  failsWith(std::string(kFolder) + " cannot be made (access denied)");

  // The pictures folder gone with the drive it was on.
  sys.SetKnownFolder(platform::kFolderIdPictures, "E:\\Pictures");
  failsWith("Pictures folder cannot be found");
}

TEST_F(SnapshotTest, CtrlCPutsWhatShowsOnTheClipboardAsABitmapOtherProgramsRead) {
  OpenWithMark();
  const gui::Bitmap shown = Shown();
  Key('C');
  ExpectUnchanged(shown);
  EXPECT_EQ(sys.ClipboardOwner(), overlay().Handle());
  EXPECT_FALSE(sys.ClipboardOpen()) << "closed again for others";
  auto other = sys.StartProcess();
  ASSERT_TRUE(other->OpenClipboard(0));
  std::vector<std::uint8_t> dib;
  ASSERT_TRUE(other->GetClipboardData(platform::kCfDib, &dib));
  EXPECT_TRUE(ReadDib(dib) == shown);
  EXPECT_FALSE(Tray().balloonShown) << "a copy that worked needs no word";

  // Held open by another program for longer than the copy waits.
  h.Click(overlay().Handle(), 40, 30);
  Key('C');
  ASSERT_TRUE(other->GetClipboardData(platform::kCfDib, &dib));
  EXPECT_FALSE(ReadDib(dib) == Shown()) << "the second mark did not reach it";
  EXPECT_EQ(Tray().balloonTitle, "The picture was not copied");
  EXPECT_TRUE(p().OverlayVisible);
}

}  // namespace
