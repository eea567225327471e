// The clipboard as a copy of the overlay uses it, and the user's pictures
// folder as a save does.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

namespace error = platform::error;
using platform::Hwnd;

class ClipboardContract : public ::testing::Test {
 protected:
  void SetUp() override { p = MakeContractPlatform(); }
  void TearDown() override {
    // Whatever a failed check left open is not left to the next test.
    while (p->CloseClipboard()) {
    }
  }
  std::unique_ptr<platform::Platform> p;
};

TEST_F(ClipboardContract, TheWindowThatOpensAndEmptiesItOwnsItAndWhatItPutsReadsBack) {
  contract::LoggingWindow copier(*p, contract::Popup("Copier"));
  const std::vector<std::uint8_t> bytes = {40, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

  EXPECT_EQ(p->SetClipboardData(platform::kCfDib, bytes), 0u) << "not open";
  EXPECT_FALSE(p->CloseClipboard());
  EXPECT_EQ(p->GetLastError(), error::kClipboardNotOpen);

  ASSERT_TRUE(p->OpenClipboard(copier.hwnd()));
  EXPECT_EQ(p->GetOpenClipboardWindow(), copier.hwnd());
  ASSERT_TRUE(p->EmptyClipboard());
  EXPECT_EQ(p->GetClipboardOwner(), copier.hwnd());
  EXPECT_NE(p->SetClipboardData(platform::kCfDib, bytes), 0u);
  std::vector<std::uint8_t> read;
  ASSERT_TRUE(p->GetClipboardData(platform::kCfDib, &read));
  ASSERT_GE(read.size(), bytes.size()) << "the system's block may be rounded up";
  EXPECT_EQ(std::vector<std::uint8_t>(read.begin(), read.begin() + bytes.size()), bytes);
  ASSERT_TRUE(p->CloseClipboard());
  EXPECT_EQ(p->GetOpenClipboardWindow(), 0u);
  EXPECT_EQ(p->GetClipboardOwner(), copier.hwnd()) << "it stays the owner once closed";

  // Anybody reads it back once they have opened it.
  ASSERT_TRUE(p->OpenClipboard(0));
  read.clear();
  ASSERT_TRUE(p->GetClipboardData(platform::kCfDib, &read));
  EXPECT_EQ(std::vector<std::uint8_t>(read.begin(), read.begin() + bytes.size()), bytes);
  EXPECT_TRUE(p->CloseClipboard());
}

TEST_F(ClipboardContract, WhileOneWindowHasItOpenAnotherCannotOpenIt) {
  contract::LoggingWindow holder(*p, contract::Popup("Holder"));
  contract::LoggingWindow other(*p, contract::Popup("Other"));
  ASSERT_TRUE(p->OpenClipboard(holder.hwnd()));
  EXPECT_FALSE(p->OpenClipboard(other.hwnd()));
  EXPECT_EQ(p->GetLastError(), error::kAccessDenied);
  EXPECT_EQ(p->GetOpenClipboardWindow(), holder.hwnd());
  ASSERT_TRUE(p->CloseClipboard());
  EXPECT_TRUE(p->OpenClipboard(other.hwnd()));
  EXPECT_TRUE(p->CloseClipboard());
}

TEST_F(ClipboardContract, OpenedWithNoWindowAndEmptiedItHasNoOwnerToPutDataFor) {
  ASSERT_TRUE(p->OpenClipboard(0));
  ASSERT_TRUE(p->EmptyClipboard());
  EXPECT_EQ(p->GetClipboardOwner(), 0u);
  const platform::Handle put = p->SetClipboardData(platform::kCfDib, {40, 0, 0, 0});
  EXPECT_TRUE(p->CloseClipboard());
  if (RunningUnderWine())
    GTEST_SKIP() << "Wine 8 takes the data without an owner; Windows: \"If an application calls "
                    "OpenClipboard with hwnd set to NULL, EmptyClipboard sets the clipboard owner "
                    "to NULL; this causes SetClipboardData to fail\"";
  EXPECT_EQ(put, 0u);
}

TEST_F(ClipboardContract, ThePicturesFolderIsThereAndAFileInItIsNeverReplaced) {
  std::string pictures;
  ASSERT_EQ(
      p->SHGetKnownFolderPath(platform::kFolderIdPictures, platform::kKfFlagCreate, 0, &pictures),
      platform::kSOk);
  ASSERT_FALSE(pictures.empty());
  EXPECT_EQ(pictures.substr(pictures.size() - 8), "Pictures") << pictures;

  EXPECT_FALSE(p->CreateDirectoryW(pictures));
  EXPECT_EQ(p->GetLastError(), error::kAlreadyExists);
  const std::string folder = pictures + "\\" + contract::UniqueName("TavrinContract-");
  EXPECT_FALSE(p->CreateDirectoryW(folder + "\\inner"));
  EXPECT_EQ(p->GetLastError(), error::kPathNotFound);
  ASSERT_TRUE(p->CreateDirectoryW(folder));
  // The platform deletes no folders; the test takes its own away (on the
  // simulated system the path names nothing here, and nothing goes).
  struct Remove {
    std::string path;
    ~Remove() {
      std::error_code ignored;
      std::filesystem::remove_all(std::filesystem::u8path(path), ignored);
    }
  } remove{folder};

  const gui::Bitmap pixels(3, 2, gui::kRed);
  const std::string file = folder + "\\picture.png";
  EXPECT_EQ(p->SavePngFile(file, pixels), platform::kSOk);
  EXPECT_EQ(p->SavePngFile(file, pixels), platform::HResultFromWin32(error::kFileExists));
  EXPECT_EQ(p->SavePngFile(folder + "\\missing\\picture.png", pixels),
            platform::HResultFromWin32(error::kPathNotFound));
}

}  // namespace
