// Cursor files as the Mark tool loads them: the program's own mark cursors
// load, a missing file and a damaged one give no cursor. Where the hot spot
// lies the platform cannot read back; the simulated loader's unit tests
// check it natively.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "resources/artwork/MarkStamps.h"
#include "tests/contract/ContractPlatform.h"

namespace {

TEST(CursorFileContract, TheMarkCursorFilesLoad) {
  auto p = MakeContractPlatform();
  for (int i = 0; i < artwork::kMarkCount; ++i) {
    const std::string path = MakeContractFile(
        artwork::kMarkCursorFiles[static_cast<std::size_t>(i)], artwork::MarkCursorFile(i));
    EXPECT_NE(p->LoadCursorFromFileA(path), 0u) << path;
  }
}

// A user's folder may be named in any letters: the name is UTF-8.
TEST(CursorFileContract, ACursorFileNamedInAnyLettersLoads) {
  auto p = MakeContractPlatform();
  const std::string path =
      MakeContractFile("\u041E\u043A \u674E\u660E.ico", artwork::MarkCursorFile(0));
  EXPECT_NE(p->LoadCursorFromFileA(path), 0u) << path;
}

TEST(CursorFileContract, MissingAndDamagedFilesGiveNoCursor) {
  auto p = MakeContractPlatform();
  const std::string damaged = MakeContractFile("damaged.ico", {0, 0, 2, 0, 1, 0, 32, 32});
  EXPECT_EQ(p->LoadCursorFromFileA(damaged), 0u);
  const std::string missing = damaged.substr(0, damaged.size() - 11) + "nothing-here.ico";
  EXPECT_EQ(p->LoadCursorFromFileA(missing), 0u);
  EXPECT_EQ(p->GetLastError(), platform::error::kFileNotFound);
}

TEST(CursorFileContract, TheProgramsPathNamesItsExecutable) {
  auto p = MakeContractPlatform();
  char path[1024] = {};
  const std::uint32_t n = p->GetModuleFileNameA(path, sizeof path);
  ASSERT_GT(n, 4u);
  ASSERT_EQ(n, std::strlen(path));
  std::string tail(path + n - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(tail, ".exe");
  EXPECT_NE(std::string(path).find_last_of("\\"), std::string::npos) << path;
  // Too small a buffer: filled to the end with no terminating zero, and the
  // buffer's size returned, so a caller tells a cut path by that.
  char small[6] = {'x', 'x', 'x', 'x', 'x', 'y'};
  EXPECT_EQ(p->GetModuleFileNameA(small, 5), 5u);
  EXPECT_EQ(std::string(small, 6), std::string(path, 5) + "y");
}

}  // namespace
