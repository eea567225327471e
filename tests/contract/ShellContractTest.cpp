// The shell's "open" and the version query as the program relies on them:
// ShellExecuteA returns what the system returns (above 32 when the file
// opened, an old error number when it did not), and the version record is
// asked for in either of its two sizes.
#include <gtest/gtest.h>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using namespace platform;

TEST(ShellContract, OpeningAProgramThatExistsSucceeds) {
  auto p = MakeContractPlatform();
  const ContractProgram program = ExistingProgram();
  EXPECT_GT(p->ShellExecuteA(0, "open", program.path, program.parameters, "", kSwShowNormal), 32);
}

TEST(ShellContract, OpeningANameThatDoesNotExistFailsWithFileNotFound) {
  auto p = MakeContractPlatform();
  const std::string folder = MakeContractFile(contract::UniqueName("here"), {});
  const std::string missing = folder + "-not-there.exe";
  EXPECT_EQ(p->ShellExecuteA(0, "open", missing, "", "", kSwShowNormal), kSeErrFileNotFound);
}

TEST(ShellContract, TheVersionComesInEitherRecordSize) {
  auto p = MakeContractPlatform();
  OsVersionInfo extended;
  ASSERT_TRUE(p->GetVersionExA(&extended));
  EXPECT_EQ(extended.dwOSVersionInfoSize, kOsVersionInfoExSize);
  EXPECT_EQ(extended.dwPlatformId, kVerPlatformWin32Nt);
  EXPECT_GE(extended.dwMajorVersion, 5u);

  OsVersionInfo basic;
  basic.dwOSVersionInfoSize = kOsVersionInfoSize;
  ASSERT_TRUE(p->GetVersionExA(&basic));
  EXPECT_EQ(basic.dwOSVersionInfoSize, kOsVersionInfoSize);
  EXPECT_EQ(basic.dwPlatformId, extended.dwPlatformId);
  EXPECT_EQ(basic.dwMajorVersion, extended.dwMajorVersion);
  EXPECT_EQ(basic.dwMinorVersion, extended.dwMinorVersion);
}

TEST(ShellContract, AVersionRecordOfAnyOtherSizeIsRefused) {
  auto p = MakeContractPlatform();
  for (std::uint32_t size : {0u, 147u, 152u, 157u}) {
    OsVersionInfo v;
    v.dwOSVersionInfoSize = size;
    EXPECT_FALSE(p->GetVersionExA(&v)) << size;
    EXPECT_EQ(p->GetLastError(), error::kInsufficientBuffer) << size;
  }
}

}  // namespace
